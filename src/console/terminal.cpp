#include "terminal.h"

#include <QLocale>

namespace captiloom::console {

bool userReadsChinese()
{
    const QStringList languages = QLocale::system().uiLanguages();
    return !languages.isEmpty() && QLocale(languages.first()).language() == QLocale::Chinese;
}

QString localized(QStringView chinese, QStringView english)
{
    static const bool chineseReader = userReadsChinese();
    return (chineseReader ? chinese : english).toString();
}

} // namespace captiloom::console
