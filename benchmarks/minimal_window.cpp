// The yardstick for the main window's start-up: a Qt program that shows one
// empty window of the main window's size and, once it is idle, prints the
// monotonic clock and its processor time, and leaves.

#include "clocks.h"
#include "first_idle.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.resize(504, 322);
    window.show();
    captiloom::bench::whenFirstIdle([] {
        std::printf("%lld %lld\n", static_cast<long long>(captiloom::bench::monotonicNs()),
                    static_cast<long long>(captiloom::bench::processCpuNs()));
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    return application.exec();
}
