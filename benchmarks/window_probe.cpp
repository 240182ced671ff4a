// Starts the main window the way the program's main() does and, once it is
// idle, either prints the monotonic clock, its processor time and its peak
// memory and leaves (no arguments), or converts SOURCE into OUTPUT through the
// window's services and prints how the run ended and its peak memory.

#include "clocks.h"
#include "first_idle.h"
#include "window_run.h"

#include "application_setup.h"
#include "main_form.h"

#include <QApplication>

#include <cstdio>

using captiloom::bench::QuietServices;

int main(int argc, char *argv[])
{
    const auto application = captiloom::window::startApplication(argc, argv);
    captiloom::window::MainForm form;
    form.show();

    const QStringList arguments = QCoreApplication::arguments().mid(1);
    captiloom::bench::whenFirstIdle([&form, arguments] {
        if (arguments.size() == 2) {
            const auto outcome =
                captiloom::bench::convertInWindow(form, arguments[0], arguments[1]);
            std::printf("%s %lld\n", QuietServices::outcomeName(outcome),
                        static_cast<long long>(captiloom::bench::peakResidentKiB()));
        } else {
            // The clocks first: reading the peak memory is the probe's work,
            // not the program's.
            const qint64 idleNs = captiloom::bench::monotonicNs();
            const qint64 cpuNs = captiloom::bench::processCpuNs();
            std::printf("%lld %lld %lld\n", static_cast<long long>(idleNs),
                        static_cast<long long>(cpuNs),
                        static_cast<long long>(captiloom::bench::peakResidentKiB()));
        }
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    return QApplication::exec();
}
