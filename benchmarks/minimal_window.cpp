// The yardstick for the main window's start-up: a Qt program that shows one
// empty window of the main window's size, prints the monotonic clock once it
// is idle, and leaves.

#include "first_idle.h"
#include "monotonic_clock.h"

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
        std::printf("%lld\n", static_cast<long long>(captiloom::bench::monotonicNs()));
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    return application.exec();
}
