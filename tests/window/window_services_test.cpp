#include "window_test_support.h"

#include "qt_translations.h"
#include "window_services.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include <limits>

using namespace Qt::StringLiterals;
using captiloom::conversion::Services;
using captiloom::window::WindowServices;

namespace {

struct Window : QObject
{
    QWidget widget;
    QProgressBar *bar = new QProgressBar(&widget);
    WindowServices services { widget, *bar };
    int paints = 0;

    Window() { bar->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
    void setProgress(float maximum, float minimum, float position)
    {
        services.showProgress();
        services.setProgressMaximum(maximum);
        services.setProgressMinimum(minimum);
        services.setProgressPosition(position);
    }
};

} // namespace

class WindowServicesTest : public QObject
{
    Q_OBJECT

private slots:
    void progressTakesEverySetting_data();
    void progressTakesEverySetting();
    void progressIsCheapPerLine();
    void progressMovesDuringTheRun();
    void messageBox_data();
    void messageBox();
    void standardButtonsSpeakChinese();
};

void WindowServicesTest::progressTakesEverySetting_data()
{
    // A run finds the bar as the last run left it, then sets maximum,
    // minimum and position, in that order.
    QTest::addColumn<QList<float>>("before");
    QTest::addColumn<QList<float>>("settings");
    QTest::addColumn<double>("fraction"); // how full the bar is drawn

    const QList<float> fresh { 100, 0, 0 };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    QTest::newRow("first line") << fresh << QList<float> { 10, 1, 1 } << 0.0;
    QTest::newRow("middle") << fresh << QList<float> { 11, 1, 6 } << 0.5;
    QTest::newRow("maximum below the old position")
        << QList<float> { 500, 1, 480 } << QList<float> { 5, 1, 3 } << 0.5;
    QTest::newRow("one-line source") << fresh << QList<float> { 1, 1, 1 } << 1.0;
    QTest::newRow("minimum above maximum") << fresh << QList<float> { 1, 5, 0 } << 0.0;
    QTest::newRow("past the end") << fresh << QList<float> { 10, 1, 50 } << 1.0;
    QTest::newRow("not a number") << fresh << QList<float> { nan, 1, nan } << 0.0;
}

void WindowServicesTest::progressTakesEverySetting()
{
    QFETCH(QList<float>, before);
    QFETCH(QList<float>, settings);
    Window window;
    for (const auto &values : { before, settings }) {
        window.setProgress(values[0], values[1], values[2]);
        QVERIFY(window.bar->isVisibleTo(&window.widget));
        window.services.hideProgress();
    }
    QVERIFY(!window.bar->isVisibleTo(&window.widget));
    const QProgressBar &bar = *window.bar;
    QTEST(double(bar.value() - bar.minimum()) / (bar.maximum() - bar.minimum()), "fraction");
}

void WindowServicesTest::progressIsCheapPerLine()
{
    Window window;
    window.bar->setGeometry(0, 0, 457, 33);
    window.widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window.widget));
    window.paints = 0;
    QElapsedTimer clock;
    clock.start();
    for (int line = 1; line <= 32767; ++line)
        window.setProgress(32767, 1, line);
    // However many lines, at most one paint per frame.
    QVERIFY2(window.paints <= clock.elapsed() / 16 + 2, qPrintable(QString::number(window.paints)));
    window.services.hideProgress();
    QCOMPARE(window.bar->value(), window.bar->maximum());
}

void WindowServicesTest::progressMovesDuringTheRun()
{
    Window window;
    window.setProgress(1000, 1, 1);
    QTest::qSleep(2 * 16);
    for (int line = 2; line <= 500; ++line)
        window.setProgress(1000, 1, line);
    // More than a frame went by: the bar has moved on before any message or
    // hiding brings it up to date.
    QCOMPARE_GT(window.bar->value(), 1);
}

void WindowServicesTest::messageBox_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("question"); // Yes and No, with the question icon
    QTest::addColumn<int>("key"); // that closes the box
    QTest::addColumn<QString>("shownTitle");
    QTest::addColumn<int>("answer");

    const QString overwrite = u"覆盖确认"_s;
    QTest::newRow("note") << QString() << false << int(Qt::Key_Return) << u"CaptiloomV3.5"_s
                          << int(Services::Answer::Ok);
    QTest::newRow("Enter says Yes")
        << overwrite << true << int(Qt::Key_Return) << overwrite << int(Services::Answer::Yes);
    QTest::newRow("Esc says No") << overwrite << true << int(Qt::Key_Escape) << overwrite
                                 << int(Services::Answer::No);
}

void WindowServicesTest::messageBox()
{
    QFETCH(QString, title);
    QFETCH(bool, question);
    QFETCH(int, key);
    Window window;
    window.widget.show();
    const QString text = u"目标文件已存在，要覆盖吗？！"_s;
    bool handled = false;
    whenModal<QMessageBox>(
        [&](QMessageBox *box) {
            QCOMPARE(box->parentWidget(), &window.widget);
            QCOMPARE(box->text(), text);
            QTEST(box->windowTitle(), "shownTitle");
            QCOMPARE(box->icon(), question ? QMessageBox::Question : QMessageBox::NoIcon);
            QCOMPARE(box->buttons().size(), question ? 2 : 1);
            if (question)
                QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
            // What a screen reader announces.
            QCOMPARE(QAccessible::queryAccessibleInterface(box)->text(QAccessible::Description),
                     text);
            QTest::keyClick(box, Qt::Key(key));
        },
        &handled);
    const auto answer = window.services.showMessage(
        text, title, question ? Services::Buttons::YesNo : Services::Buttons::Ok, question);
    QVERIFY(handled);
    QTEST(int(answer), "answer");
}

void WindowServicesTest::standardButtonsSpeakChinese()
{
    QVERIFY2(captiloom::window::installQtTranslations(*qApp, QLocale(QLocale::Chinese)),
             "Qt's Chinese translations are missing (package qt6-translations-l10n)");
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Yes | QMessageBox::No);
    QVERIFY(box.button(QMessageBox::Ok)->text().startsWith(u"确定"));
    QVERIFY(box.button(QMessageBox::Yes)->text().startsWith(u"是"));
    QVERIFY(box.button(QMessageBox::No)->text().startsWith(u"否"));
}

QTEST_MAIN(WindowServicesTest)
#include "window_services_test.moc"
