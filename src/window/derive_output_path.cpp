#include "derive_output_path.h"

namespace captiloom::window {

QString DeriveOutputPath(const QString &path)
{
    // Both separators count on every system: users type Windows-style paths
    // too, and a backslash in a Linux file name is rare enough to ignore.
    const qsizetype nameStart = qMax(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1;
    QString name = path.sliced(nameStart);
    name.replace(QStringLiteral(".txt"), QStringLiteral("(字幕).utf"), Qt::CaseSensitive);
    return path.first(nameStart) + name;
}

} // namespace captiloom::window
