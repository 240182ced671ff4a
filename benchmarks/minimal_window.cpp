// The yardstick for the main window's start-up: a Qt program that shows one
// empty window of the main window's size and, once it is idle, prints the
// monotonic clock and its processor time, and leaves. With the argument
// "text" the window holds one label of Chinese text: what showing any text at
// all costs, fonts and shaping included.

#include "clocks.h"
#include "first_idle.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.resize(504, 322);
    if (QCoreApplication::arguments().value(1) == u"text") {
        auto *label = new QLabel(
            QStringLiteral("将字幕文字断行，去掉标点符号，分段用空行，存为TXT文件并导入。"
                           "生成的字幕按照正常解说的节奏，智能决定字幕的显示时间。"),
            &window);
        label->setWordWrap(true);
        label->setGeometry(24, 24, 425, 65);
    }
    window.show();
    captiloom::bench::whenFirstIdle([] {
        std::printf("%lld %lld\n", static_cast<long long>(captiloom::bench::monotonicNs()),
                    static_cast<long long>(captiloom::bench::processCpuNs()));
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    return application.exec();
}
