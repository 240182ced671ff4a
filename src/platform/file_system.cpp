#include "file_system.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

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

#ifdef Q_OS_WIN
    // The user has already agreed to the replacement, but Windows refuses to
    // rename over a read-only file, and some of its ways of replacing one
    // over a hidden or system file too: the marks are lifted, and put back
    // if the new file never arrives. The new file is made without them.
    const QString nativePath = QDir::toNativeSeparators(path);
    const auto native = reinterpret_cast<const wchar_t *>(nativePath.utf16());
    const DWORD blocking = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const DWORD marks = old.isFile() ? GetFileAttributesW(native) : INVALID_FILE_ATTRIBUTES;
    const bool lifted = marks != INVALID_FILE_ATTRIBUTES && (marks & blocking) != 0;
    if (lifted)
        SetFileAttributesW(native, (marks & ~blocking) ? marks & ~blocking : FILE_ATTRIBUTE_NORMAL);
#else
    // The saver refuses to replace a file it may not write to; the user has
    // already agreed to the replacement, so the mark is lifted, and put back
    // if the new file never arrives. It is read from the file's own bits,
    // not from whether this user may write, which root always may.
    std::optional<QFile::Permissions> lifted;
    if (old.isFile() && !old.permission(QFile::WriteOwner)) {
        // Without the "User" flags, which say what this user may do, not what
        // the file's bits are: setting WriteUser back would set the owner's
        // write bit on Unix.
        lifted = old.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
        QFile::setPermissions(path, *lifted | QFile::WriteOwner);
    }
#endif

    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) && writeAll(file, bytes) && file.commit();
    if (written)
        return {};
    QString reason = file.errorString();
    file.cancelWriting();
#ifdef Q_OS_WIN
    if (lifted)
        SetFileAttributesW(native, marks);
#else
    if (lifted)
        QFile::setPermissions(path, *lifted);
#endif
    return reason.isEmpty() ? QStringLiteral("Unknown error") : reason;
}

} // namespace captiloom::platform
