#include "application_setup.h"
#include "before_window.h"
#include "command_line.h"
#include "main_form.h"
#include "window_opening.h"

#include <QApplication>

#include <algorithm>

using namespace captiloom;

int main(int argc, char **argv)
{
    // Help, the version, a conversion, a split and a mistyped command line
    // start no window system, so that they work without a display.
    const console::BeforeWindow before =
        console::runBeforeWindow(argc, argv, window::displayMissing(argc, argv));
    if (before.status)
        return *before.status;

    const std::unique_ptr<QApplication> application = window::startApplication(argc, argv);
    // QApplication has taken Qt's own options out of the arguments.
    const console::CommandLine commandLine =
        console::parseCommandLine(QCoreApplication::arguments());
    if (!commandLine.opensWindow())
        return console::runWithoutWindow(commandLine);

    window::MainForm form;
    window::WindowOpening opening(form, commandLine, before.split);
    form.show();
    const int status = QApplication::exec();
    return std::max(status, opening.status());
}
