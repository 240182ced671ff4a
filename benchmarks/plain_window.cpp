// The yardstick for the main window's start-up: the same controls with the
// same texts in the same places, written the plain way, with none of the
// program's own start-up work (no translations, no icon, no fitting of the
// labels' text). Once idle it prints the monotonic clock and its processor
// time, and leaves.

#include "clocks.h"
#include "first_idle.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(u"CaptiloomV3.5"_s);
    window.resize(504, 322);

    // A path row: its caption, its disabled box showing the prompt, its browse button.
    const auto addPathRow = [&window](const QString &caption, int captionWidth,
                                      const QString &prompt, int top) {
        auto *label = new QLabel(caption, &window);
        label->setWordWrap(true);
        label->setGeometry(8, top + 8, captionWidth, 17);
        auto *path = new QLineEdit(prompt, &window);
        path->setEnabled(false);
        path->setGeometry(64, top, 377, 25);
        (new QPushButton(u"浏览…"_s, &window))->setGeometry(448, top, 49, 25);
    };
    addPathRow(u"源TXT文件"_s, 57, u"请选择需要转换的TXT文件"_s, 24);
    addPathRow(u" 输出文件"_s, 65, u"请选择输出路径和文件名"_s, 88);

    (new QPushButton(u"生 成 字 幕"_s, &window))->setGeometry(80, 128, 161, 33);
    (new QPushButton(u"退   出"_s, &window))->setGeometry(288, 128, 137, 33);

    auto *frame1 = new QGroupBox(u"提示"_s, &window);
    frame1->setGeometry(32, 168, 457, 97);
    auto *help =
        new QLabel(u"    将字幕文字断行,去掉标点符号,分段用空行.存为TXT文件并导入.生成的\r\n\r\n"
                   u"字幕按照正常解说的节奏,智能决定字幕的显示时间.导入Reelvane后作精确\r\n\r\n"
                   u"调整.每行文字最多20字,导入时可选择字体为新宋体,大小21至23等."_s,
                   frame1);
    help->setWordWrap(true);
    help->setGeometry(24, 24, 425, 65);

    auto *frame2 = new QGroupBox(&window);
    frame2->setGeometry(32, 272, 457, 41);
    auto *credit = new QLabel(u"字幕织机 Captiloom —— 让每一句解说准时出现"_s, frame2);
    credit->setWordWrap(true);
    credit->setGeometry(16, 16, 433, 17);
    auto *bar = new QProgressBar(frame2);
    bar->setGeometry(0, 8, 457, 33);
    bar->hide();

    window.show();
    captiloom::bench::whenFirstIdle([] {
        std::printf("%lld %lld\n", static_cast<long long>(captiloom::bench::monotonicNs()),
                    static_cast<long long>(captiloom::bench::processCpuNs()));
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    return application.exec();
}
