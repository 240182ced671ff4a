#include "file_system.h"

#include <QFileInfo>

#include <unistd.h>

namespace captiloom::platform {

LiftedMarks::LiftedMarks(const QFileInfo &file)
    : m_path(file.filePath())
{
    // The saver refuses to replace a file it may not write to; the user has
    // already agreed to the replacement, so the mark is lifted. It is read
    // from the file's own bits, not from whether this user may write, which
    // root always may.
    if (!file.isFile() || file.permission(QFile::WriteOwner))
        return;
    // Without the "User" flags, which say what this user may do, not what
    // the file's bits are: setting WriteUser back would set the owner's
    // write bit.
    const QFile::Permissions bits =
        file.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    m_marks = quint32(bits.toInt());
    QFile::setPermissions(m_path, bits | QFile::WriteOwner);
}

void LiftedMarks::putBack() const
{
    if (m_marks)
        QFile::setPermissions(m_path, QFile::Permissions::fromInt(int(*m_marks)));
}

bool namesIgnoreCase()
{
    return false;
}

QString syncToDisk(QFileDevice &file)
{
    return ::fsync(file.handle()) == 0 ? QString() : qt_error_string(errno);
}

} // namespace captiloom::platform
