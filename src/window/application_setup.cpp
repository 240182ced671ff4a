#include "application_setup.h"

#include "qt_translations.h"

#include <QApplication>
#include <QIcon>

using namespace Qt::StringLiterals;

namespace captiloom::window {

namespace {

// The window system is handed every size at start, decoded; the large
// icons of launchers and task switchers come from the installed theme icon
// that the desktop file names.
QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : { 16, 32, 48 })
        icon.addFile(u":/icons/captiloom-%1.png"_s.arg(size), QSize(size, size));
    return icon;
}

} // namespace

void setUpApplication(QApplication &application)
{
    QApplication::setApplicationName(u"captiloom"_s);
    QGuiApplication::setDesktopFileName(u"captiloom"_s);
    QApplication::setWindowIcon(applicationIcon());
    installQtTranslations(application);
}

} // namespace captiloom::window
