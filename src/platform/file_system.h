#pragma once

#include <QByteArrayView>
#include <QString>

namespace captiloom::platform {

// True for a regular file, or a link to one, whatever its permissions; a
// directory, a FIFO or a device does not count.
bool regularFileExists(const QString &path);

// True when both paths reach one existing file: the same text, other spellings
// of it (relative, "..", symbolic links; on Windows another letter case or the
// 8.3 short name) or another hard link.
bool sameFile(const QString &first, const QString &second);

// Puts `bytes` at `path` in one step: written to a temporary file beside it,
// flushed to disk, then renamed over any old file. On failure the old file is
// left as it was, with its marks, and no temporary file stays behind; the
// returned text is the system's reason, empty on success. A path that names
// a device, a FIFO or a socket is refused and left alone. A read-only old file
// (on Windows a hidden or system one too) is replaced all the same, and the
// new file has none of those marks.
QString replaceFile(const QString &path, QByteArrayView bytes);

} // namespace captiloom::platform
