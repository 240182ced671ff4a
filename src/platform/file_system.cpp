#include "file_system.h"

#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>
#include <optional>
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

bool clearDeletionMarks(const QString &path)
{
    const QFile::Permissions permissions = QFile::permissions(path);
    return QFile::setPermissions(path, permissions | QFile::WriteOwner | QFile::WriteUser);
}

QString replaceFile(const QString &path, QByteArrayView bytes)
{
    // The saver refuses to replace a file it may not write to; the user has
    // already agreed to the replacement, so lift the mark, and put it back if
    // the new file never arrives.
    std::optional<QFile::Permissions> lifted;
    const QFileInfo old(path);
    if (old.isFile() && !old.isWritable()) {
        lifted = QFile::permissions(path);
        clearDeletionMarks(path);
    }

    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly)
        && file.write(bytes.data(), bytes.size()) == bytes.size() && file.commit();
    if (written)
        return {};
    QString reason = file.errorString();
    file.cancelWriting();
    if (lifted)
        QFile::setPermissions(path, *lifted);
    return reason.isEmpty() ? QStringLiteral("Unknown error") : reason;
}

} // namespace captiloom::platform
