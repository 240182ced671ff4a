#include "application_setup.h"

#include "qt_translations.h"
#include "terminal.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGlyphRun>
#include <QIcon>
#include <QRawFont>
#include <QTextLayout>

#include <cstdlib>
#include <cstring>

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

// The display named by -display, or by the environment.
QString displayName(int argc, char **argv)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-display") == 0 || std::strcmp(argv[i], "--display") == 0)
            return QString::fromLocal8Bit(argv[i + 1]);
    }
    return qEnvironmentVariable("WAYLAND_DISPLAY", qEnvironmentVariable("DISPLAY"));
}

// Whether the arguments or the environment choose a window system or a
// display, which Qt then tries to reach.
[[maybe_unused]] bool windowSystemChosen(int argc, char **argv)
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    for (int i = 1; i + 1 < argc; ++i) {
        for (const char *option : { "-platform", "--platform", "-display", "--display" }) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

QString g_displayName;
QtMessageHandler g_previousHandler = nullptr;

struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};
QList<HeldMessage> g_heldMessages;

QString unreachableDisplayLine()
{
    return console::localized(
               u"captiloom: 无法在显示器“%1”上打开窗口：连不上该显示器，或缺少 Qt 的窗口系统插件"
               u"（Debian 的 qt6-qpa-plugins 和 libxcb-cursor0 软件包）。"
               u"若不需要窗口，可以这样转换文件：captiloom --convert 文件…",
               u"captiloom: cannot open a window on display \"%1\": it cannot be reached, or "
               u"Qt's window system plugin is missing (Debian packages qt6-qpa-plugins and "
               u"libxcb-cursor0). To convert without a window: captiloom --convert FILE...")
        .arg(g_displayName);
}

// Qt's English warnings on the way to a fatal start would only come before
// the line that explains them.
void startupMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg) {
        console::writeLine(console::Stream::Error, unreachableDisplayLine());
        std::_Exit(EXIT_FAILURE);
    }
    g_heldMessages.append({ type, context.category, message });
}

void releaseStartupMessages()
{
    qInstallMessageHandler(g_previousHandler);
    for (const HeldMessage &held : std::exchange(g_heldMessages, {})) {
        const QMessageLogContext context(nullptr, 0, nullptr, held.category.constData());
        g_previousHandler(held.type, context, held.text);
    }
}

// What the program sets on the application before it shows its window: its
// name for the desktop, its icon, Qt's own translations and, where the
// platform's font has no Chinese, the font Qt draws Chinese in.
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

} // namespace

bool displayMissing([[maybe_unused]] int argc, [[maybe_unused]] char **argv)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
    return !windowSystemChosen(argc, argv) && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return false;
#endif
}

std::unique_ptr<QApplication> startApplication(int &argc, char **argv)
{
    g_displayName = displayName(argc, argv);
    g_previousHandler = qInstallMessageHandler(startupMessage);
    auto application = std::make_unique<QApplication>(argc, argv);
    releaseStartupMessages();
    setUpApplication(*application);
    return application;
}

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

} // namespace captiloom::window
