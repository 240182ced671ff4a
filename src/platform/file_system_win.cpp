#include "file_system.h"

#include <QDir>
#include <QFileInfo>

#include <io.h>
#include <windows.h>

namespace captiloom::platform {

namespace {

constexpr DWORD blockingMarks =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

} // namespace

LiftedMarks::LiftedMarks(const QFileInfo &file)
    : m_path(QDir::toNativeSeparators(file.filePath()))
{
    // The user has already agreed to the replacement, but Windows refuses to
    // rename over a read-only file, and some of its ways of replacing one
    // over a hidden or system file too: the marks are lifted. The new file is
    // made without them.
    const DWORD marks = file.isFile() ? GetFileAttributesW(wide(m_path)) : INVALID_FILE_ATTRIBUTES;
    if (marks == INVALID_FILE_ATTRIBUTES || (marks & blockingMarks) == 0)
        return;
    m_marks = marks;
    const DWORD kept = marks & ~blockingMarks;
    SetFileAttributesW(wide(m_path), kept ? kept : FILE_ATTRIBUTE_NORMAL);
}

void LiftedMarks::putBack() const
{
    if (m_marks)
        SetFileAttributesW(wide(m_path), *m_marks);
}

bool namesIgnoreCase()
{
    return true;
}

QString syncToDisk(QFileDevice &file)
{
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    return FlushFileBuffers(handle) ? QString() : qt_error_string(int(GetLastError()));
}

} // namespace captiloom::platform
