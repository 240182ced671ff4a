#include "file_system.h"

#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>
#include <system_error>

namespace captiloom::platform {

bool regularFileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

bool sameFile(const QString &first, const QString &second)
{
    if (first.isEmpty() || second.isEmpty())
        return false;
    std::error_code error;
    return std::filesystem::equivalent(QFileInfo(first).filesystemFilePath(),
                                       QFileInfo(second).filesystemFilePath(), error);
}

namespace {

bool writeAll(QSaveFile &file, QByteArrayView bytes)
{
    // A full disk takes what fits and the write stops short without an
    // error; only the next write says why, and that reason is what the user
    // is told.
    while (!bytes.isEmpty()) {
        const qint64 written = file.write(bytes.data(), bytes.size());
        if (written <= 0)
            return false;
        bytes = bytes.sliced(written);
    }
    return true;
}

} // namespace

QString replaceFile(const QString &path, QByteArrayView bytes)
{
    // The saver would rename its file over a device, a FIFO or a socket, or
    // write into it and wait for a reader for ever; none of them is a file
    // the user was asked about.
    const QFileInfo old(path);
    if (old.exists() && !old.isFile() && !old.isDir())
        return QStringLiteral("不是普通文件");

    const LiftedMarks marks(old);
    QSaveFile file(path);
    QString reason;
    if (file.open(QIODevice::WriteOnly) && writeAll(file, bytes) && file.flush()) {
        // The saver asks for the data to reach the disk but renames its file
        // over the old one whatever the answer: a file that may not be there
        // must not take the old one's place.
        reason = syncToDisk(file);
        if (reason.isEmpty() && file.commit())
            return {};
    }
    if (reason.isEmpty())
        reason = file.errorString();
    // Closing the saver uncommitted removes its temporary file.
    file.cancelWriting();
    marks.putBack();
    return reason.isEmpty() ? QStringLiteral("Unknown error") : reason;
}

} // namespace captiloom::platform
