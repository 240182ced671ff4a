#include "application_setup.h"
#include "command_line.h"
#include "main_form.h"
#include "prose_splitting.h"
#include "run_translator.h"
#include "terminal.h"

#include <QApplication>

#include <cstdlib>
#include <cstring>

using namespace captiloom;

namespace {

// What an installed program's user can do about a missing window system.
QString noDisplayLine()
{
    return console::localized(
        u"captiloom: 没有可以显示窗口的图形桌面（DISPLAY 和 WAYLAND_DISPLAY 都未设置）。"
        u"请在桌面会话中启动；若不需要窗口，可以这样转换文件：captiloom --convert 文件…",
        u"captiloom: no graphical desktop to show the window on (neither DISPLAY nor "
        u"WAYLAND_DISPLAY is set). Start it from a desktop session, or convert without a "
        u"window: captiloom --convert FILE...");
}

QString noDisplayAfterSplitLine()
{
    return console::localized(
        u"captiloom: 没有可以显示窗口的图形桌面（DISPLAY 和 WAYLAND_DISPLAY 都未设置），"
        u"无法打开窗口；断行已照常进行，结果见上一行。",
        u"captiloom: no graphical desktop to show the window on (neither DISPLAY nor "
        u"WAYLAND_DISPLAY is set); the splitting was done all the same, as the line above says.");
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

QString g_displayName;

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

// Without a display Qt gives up with a fatal error and an abort; one plain
// line serves the user better.
bool displayMissing([[maybe_unused]] int argc, [[maybe_unused]] char **argv)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
    return !windowSystemChosen(argc, argv) && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return false;
#endif
}

QtMessageHandler g_previousHandler = nullptr;

struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};
QList<HeldMessage> g_heldMessages;

// A display that is named but cannot be reached, or a window system plugin
// that cannot be loaded, is only found out while the application starts;
// that is fatal too, and it ends the same way. Qt's English warnings on the
// way there would only come before the line that explains them, so they are
// held back until the start has succeeded.
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

} // namespace

int main(int argc, char **argv)
{
    // Help, the version and a conversion start no window system, so that they
    // work without a display; a mistyped option is the first thing to hear of.
    const bool noWindow = console::needsNoWindow(argc, argv);
    const std::optional<console::SplitForWindow> split = console::splitBeforeWindow(argc, argv);
    if (noWindow || displayMissing(argc, argv)) {
        const QCoreApplication application(argc, argv);
        console::installConsoleTranslations();
        const console::CommandLine commandLine =
            console::parseCommandLine(QCoreApplication::arguments());
        if (split) {
            console::writeLine(console::Stream::Error, noDisplayAfterSplitLine());
            return EXIT_FAILURE;
        }
        if (noWindow || commandLine.action != console::CommandLine::Action::Window)
            return console::runWithoutWindow(commandLine);
        console::writeLine(console::Stream::Error, noDisplayLine());
        return EXIT_FAILURE;
    }

    g_displayName = displayName(argc, argv);
    g_previousHandler = qInstallMessageHandler(startupMessage);
    QApplication application(argc, argv);
    releaseStartupMessages();

    window::setUpApplication(application);
    const console::CommandLine commandLine =
        console::parseCommandLine(QCoreApplication::arguments());
    const bool splitFirst = commandLine.action == console::CommandLine::Action::SplitAndOpen;
    if (commandLine.action != console::CommandLine::Action::Window && !splitFirst)
        return console::runWithoutWindow(commandLine);

    window::MainForm form;
    const console::SplitForWindow splitDone = !splitFirst ? console::SplitForWindow {}
        : split                                           ? *split
                : console::splitForWindow(commandLine.files.first(), commandLine.overwrite);
    if (splitFirst)
        form.takeSource(splitDone.chosen);
    else if (!commandLine.files.isEmpty())
        form.takeSource(commandLine.files.first());
    form.show();
    // Told over the window, since a desktop's menu shows no standard error.
    if (!splitDone.message.isEmpty())
        QMetaObject::invokeMethod(
            &form, [&] { form.tell(splitDone.message); }, Qt::QueuedConnection);
    return QApplication::exec();
}
