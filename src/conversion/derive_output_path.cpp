#include "derive_output_path.h"

namespace captiloom::conversion {

QString DeriveOutputPath(const QString &path, DocumentFormat format)
{
    // Every occurrence, folders included: users know the tool by this rule, and
    // a name it makes in a folder that does not exist fails at the write with
    // a report, losing nothing.
    QString derived = path;
    return derived.replace(QStringLiteral(".txt"),
                           format == DocumentFormat::Srt ? QStringLiteral("(字幕).srt")
                                                         : QStringLiteral("(字幕).utf"),
                           Qt::CaseSensitive);
}

} // namespace captiloom::conversion
