#include "before_window.h"

#include "command_line.h"
#include "run_translator.h"
#include "terminal.h"

#include <QCoreApplication>

#include <cstdlib>

namespace captiloom::console {

namespace {

// What an installed program's user can do about a missing window system.
QString noDisplayLine()
{
    return localized(
        u"captiloom: 没有可以显示窗口的图形桌面（DISPLAY 和 WAYLAND_DISPLAY 都未设置）。"
        u"请在桌面会话中启动；若不需要窗口，可以这样转换文件：captiloom --convert 文件…",
        u"captiloom: no graphical desktop to show the window on (neither DISPLAY nor "
        u"WAYLAND_DISPLAY is set). Start it from a desktop session, or convert without a "
        u"window: captiloom --convert FILE...");
}

QString noDisplayAfterSplitLine()
{
    return localized(
        u"captiloom: 没有可以显示窗口的图形桌面（DISPLAY 和 WAYLAND_DISPLAY 都未设置），"
        u"无法打开窗口；断行已照常进行，结果见上一行。",
        u"captiloom: no graphical desktop to show the window on (neither DISPLAY nor "
        u"WAYLAND_DISPLAY is set); the splitting was done all the same, as the line above says.");
}

} // namespace

BeforeWindow runBeforeWindow(int argc, char **argv, bool displayMissing)
{
    const WindowNeed need = windowNeed(argc, argv);
    if (need == WindowNeed::Window && !displayMissing)
        return {};
    // The arguments as the system gave them (on Windows in UTF-16, whatever
    // the code page), through an application that starts no window system.
    const QCoreApplication application(argc, argv);
    installConsoleTranslations();
    const CommandLine commandLine = parseCommandLine(QCoreApplication::arguments());
    BeforeWindow before;
    if (commandLine.action == CommandLine::Action::SplitAndOpen && !commandLine.files.isEmpty()) {
        before.split = splitForWindow(commandLine.files.first(), commandLine.overwrite);
        if (displayMissing) {
            writeLine(Stream::Error, noDisplayAfterSplitLine());
            before.status = EXIT_FAILURE;
        }
    } else if (need == WindowNeed::NoWindow || (displayMissing && !commandLine.opensWindow())) {
        before.status = runWithoutWindow(commandLine);
    } else if (displayMissing) {
        writeLine(Stream::Error, noDisplayLine());
        before.status = EXIT_FAILURE;
    }
    // Anything else, as a mistyped command line that Qt's own window options
    // are still in, is for the window's start to read.
    return before;
}

} // namespace captiloom::console
