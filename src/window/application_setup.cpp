#include "application_setup.h"

#include "qt_translations.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGlyphRun>
#include <QIcon>
#include <QRawFont>
#include <QTextLayout>

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

// Every text of the program is Chinese. Where the platform's font has none
// (Wine without Windows' own fonts gives a Latin math font), Qt draws the
// Chinese in a fallback font but places a line edit's text and a group box's
// title by the font's own metrics: the math font's tall box for "TXT" pushed
// the source prompt out of its box, and the fallback's taller glyphs ran into
// the frame above the 提示 title. The program then takes the font that Qt
// draws Chinese in, for its window and its message boxes alike, so that
// what is measured is what is drawn.
QFont fontWithChinese(const QFont &font)
{
    const QString family = QFontInfo(font).family();
    // No family at all: the system has no font (Qt's offscreen platform on
    // Windows), and a raw font of Qt's stand-in has no name to ask for.
    if (family.isEmpty()
        || QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese))
        return font;
    QTextLayout layout(u"提示"_s, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.isEmpty())
        return font;
    QFont chinese = font;
    chinese.setFamily(runs.first().rawFont().familyName());
    return chinese;
}

void setUpApplication(QApplication &application)
{
    QApplication::setApplicationName(u"captiloom"_s);
    QGuiApplication::setDesktopFileName(u"captiloom"_s);
    QApplication::setWindowIcon(applicationIcon());
    platform::installQtTranslations(application);
    if (const QFont chinese = fontWithChinese(QApplication::font());
        chinese != QApplication::font())
        QApplication::setFont(chinese);
}

} // namespace captiloom::window
