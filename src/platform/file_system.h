#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

class QFileDevice;
class QFileInfo;

namespace captiloom::platform {

// True for a regular file, or a link to one, whatever its permissions; a
// directory, a FIFO or a device does not count.
bool regularFileExists(const QString &path);

// True when both paths reach one existing file: the same text, other spellings
// of it (relative, "..", symbolic links; on Windows another letter case or the
// 8.3 short name) or another hard link.
bool sameFile(const QString &first, const QString &second);

// True where the file system takes names that differ only in letter case for
// one file (Windows).
bool namesIgnoreCase();

// Puts `bytes` at `path` in one step: written to a temporary file beside it,
// flushed to disk (a flush that fails is a failure), then renamed over any
// old file. On failure the old file is
// left as it was, with its marks, and no temporary file stays behind; the
// returned text is the system's reason, empty on success. A path that names
// a device, a FIFO or a socket is refused and left alone. A read-only old file
// (on Windows a hidden or system one too) is replaced all the same, and the
// new file has none of those marks.
QString replaceFile(const QString &path, QByteArrayView bytes);

// What replaceFile() does each platform's own way.

// The marks that keep a regular file from being replaced, lifted on making:
// the read-only mark, on Windows the hidden and system marks too.
class LiftedMarks
{
public:
    explicit LiftedMarks(const QFileInfo &file);
    // Puts back what was lifted, for a replacement that never came.
    void putBack() const;

private:
    QString m_path;
    std::optional<quint32> m_marks; // as the platform reads them; empty when none were lifted
};

// Brings what was written to `file` onto the disk itself; the system's
// reason when it cannot be sure it is there, empty on success.
QString syncToDisk(QFileDevice &file);

} // namespace captiloom::platform
