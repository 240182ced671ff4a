#include "application_setup.h"
#include "main_form.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char *noDisplayLine =
    "captiloom: no display to show the window on; without a desktop, try: xvfb-run ./run\n";

[[maybe_unused]] bool platformChosen(int argc, char **argv)
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    }
    return false;
}

// Without a display Qt gives up with a fatal error and an abort; one plain
// line serves the user better.
bool displayMissing([[maybe_unused]] int argc, [[maybe_unused]] char **argv)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
    return !platformChosen(argc, argv) && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return false;
#endif
}

QtMessageHandler g_previousHandler = nullptr;

// A display that is named but cannot be reached is only found out while the
// application starts; that is fatal too, and it ends the same way.
void startupMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fputs(noDisplayLine, stderr);
        std::_Exit(EXIT_FAILURE);
    }
    g_previousHandler(type, context, message);
}

} // namespace

int main(int argc, char **argv)
{
    if (displayMissing(argc, argv)) {
        std::fputs(noDisplayLine, stderr);
        return EXIT_FAILURE;
    }

    g_previousHandler = qInstallMessageHandler(startupMessage);
    QApplication application(argc, argv);
    qInstallMessageHandler(g_previousHandler);

    captiloom::window::setUpApplication(application);

    captiloom::window::MainForm window;
    window.show();
    return QApplication::exec();
}
