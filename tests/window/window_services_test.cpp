#include "modal_closer.h"

#include "window/qt_translations.h"
#include "window/window_services.h"

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

Q_DECLARE_METATYPE(Services::Buttons)
Q_DECLARE_METATYPE(Services::Answer)

namespace {

struct Window
{
    QWidget widget;
    QProgressBar *bar = new QProgressBar(&widget);
    WindowServices services { widget, *bar };

    Window() { bar->hide(); }

    // How full the bar is drawn, from 0 to 1.
    double shownFraction() const
    {
        return double(bar->value() - bar->minimum()) / (bar->maximum() - bar->minimum());
    }
};

// Counts the paints a widget gets.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
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
    void messageBox_data();
    void messageBox();
    void failureIsShownThenEndsTheProgram();
    void standardButtonsSpeakChinese();
};

void WindowServicesTest::progressTakesEverySetting_data()
{
    // A run first finds the bar as the last run left it, then sets maximum,
    // minimum and position, in that order.
    QTest::addColumn<QList<float>>("before"); // maximum, minimum, position
    QTest::addColumn<QList<float>>("settings");
    QTest::addColumn<double>("fraction");

    const QList<float> fresh { 100, 0, 0 };
    QTest::newRow("first line of ten") << fresh << QList<float> { 10, 1, 1 } << 0.0;
    QTest::newRow("middle") << fresh << QList<float> { 11, 1, 6 } << 0.5;
    QTest::newRow("last line") << fresh << QList<float> { 10, 1, 10 } << 1.0;
    QTest::newRow("maximum below the old position")
        << QList<float> { 500, 1, 480 } << QList<float> { 5, 1, 3 } << 0.5;
    QTest::newRow("one-line source") << fresh << QList<float> { 1, 1, 1 } << 1.0;
    QTest::newRow("minimum above maximum") << fresh << QList<float> { 1, 5, 0 } << 0.0;
    QTest::newRow("position past the end") << fresh << QList<float> { 10, 1, 50 } << 1.0;
    QTest::newRow("largest source") << fresh << QList<float> { 32767, 1, 32767 } << 1.0;
    QTest::newRow("not a number") << fresh
                                  << QList<float> { std::numeric_limits<float>::quiet_NaN(), 1,
                                                    std::numeric_limits<float>::infinity() }
                                  << 0.0;
}

void WindowServicesTest::progressTakesEverySetting()
{
    QFETCH(QList<float>, before);
    QFETCH(QList<float>, settings);
    QFETCH(double, fraction);

    Window window;
    for (const auto &values : { before, settings }) {
        window.services.showProgress();
        window.services.setProgressMaximum(values[0]);
        window.services.setProgressMinimum(values[1]);
        window.services.setProgressPosition(values[2]);
        QVERIFY(window.bar->isVisibleTo(&window.widget));
        window.services.hideProgress();
    }
    QVERIFY(!window.bar->isVisibleTo(&window.widget));
    QCOMPARE(window.shownFraction(), fraction);
}

void WindowServicesTest::progressIsCheapPerLine()
{
    Window window;
    window.widget.resize(500, 60);
    window.bar->setGeometry(0, 0, 457, 33);
    window.widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window.widget));
    PaintCounter counter;
    window.bar->installEventFilter(&counter);

    constexpr int lines = 32767;
    QElapsedTimer clock;
    clock.start();
    for (int line = 1; line <= lines; ++line) {
        window.services.showProgress();
        window.services.setProgressMaximum(lines);
        window.services.setProgressMinimum(1);
        window.services.setProgressPosition(line);
    }
    // At most one paint per frame, however many lines.
    QVERIFY2(counter.paints <= clock.elapsed() / 16 + 2,
             qPrintable(QString::number(counter.paints)));
    window.services.hideProgress();
    QCOMPARE(window.bar->value(), window.bar->maximum());
}

void WindowServicesTest::messageBox_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<Services::Buttons>("buttons");
    QTest::addColumn<bool>("questionIcon");
    QTest::addColumn<int>("key"); // closes the box; Key_N clicks No
    QTest::addColumn<QString>("shownTitle");
    QTest::addColumn<Services::Answer>("answer");

    const QString question = u"覆盖确认"_s;
    QTest::newRow("note under the application title")
        << QString() << Services::Buttons::Ok << false << int(Qt::Key_Return) << u"CaptiloomV3.5"_s
        << Services::Answer::Ok;
    QTest::newRow("question answered by Enter")
        << question << Services::Buttons::YesNo << true << int(Qt::Key_Return) << question
        << Services::Answer::Yes;
    QTest::newRow("question answered No") << question << Services::Buttons::YesNo << true
                                          << int(Qt::Key_N) << question << Services::Answer::No;
    QTest::newRow("question escaped") << question << Services::Buttons::YesNo << true
                                      << int(Qt::Key_Escape) << question << Services::Answer::No;
}

void WindowServicesTest::messageBox()
{
    QFETCH(QString, title);
    QFETCH(Services::Buttons, buttons);
    QFETCH(bool, questionIcon);
    QFETCH(int, key);

    Window window;
    window.widget.show();
    const QString text = u"      恭喜，恭喜！ 转换成功！"_s;
    bool handled = false;
    whenModal<QMessageBox>(
        [&](QMessageBox *box) {
            QCOMPARE(box->parentWidget(), &window.widget);
            QCOMPARE(box->text(), text);
            QTEST(box->windowTitle(), "shownTitle");
            QCOMPARE(box->icon(), questionIcon ? QMessageBox::Question : QMessageBox::NoIcon);
            if (buttons == Services::Buttons::YesNo) {
                QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
                QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
            } else {
                QCOMPARE(box->standardButtons(), QMessageBox::Ok);
            }
            // What a screen reader announces.
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(box);
            QVERIFY(accessible->text(QAccessible::Description).contains(text));
            if (key == Qt::Key_N)
                box->button(QMessageBox::No)->click();
            else
                QTest::keyClick(box, Qt::Key(key));
        },
        &handled);
    const Services::Answer answer = window.services.showMessage(text, title, buttons, questionIcon);
    QVERIFY(handled);
    QTEST(answer, "answer");
}

void WindowServicesTest::failureIsShownThenEndsTheProgram()
{
    Window window;
    window.widget.show();
    const QString description = u"无法写入文件 /满/字幕.utf：No space left on device"_s;
    bool handled = false;
    whenModal<QMessageBox>(
        [&](QMessageBox *box) {
            QCOMPARE(box->windowTitle(), u"CaptiloomV3.5"_s);
            QCOMPARE(box->text(), description);
            box->button(QMessageBox::Ok)->click();
        },
        &handled);
    QTimer::singleShot(0, [&] { window.services.reportFailure(description); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); }); // a bound, should it not end
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(handled);
    QVERIFY(!window.widget.isVisible());
}

void WindowServicesTest::standardButtonsSpeakChinese()
{
    QVERIFY2(
        captiloom::window::installQtTranslations(*qApp, QLocale(QLocale::Chinese, QLocale::China)),
        "Qt's Chinese translations are missing (package qt6-translations-l10n)");
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Yes | QMessageBox::No);
    QVERIFY(box.button(QMessageBox::Ok)->text().startsWith(u"确定"));
    QVERIFY(box.button(QMessageBox::Yes)->text().startsWith(u"是"));
    QVERIFY(box.button(QMessageBox::No)->text().startsWith(u"否"));
}

QTEST_MAIN(WindowServicesTest)
#include "window_services_test.moc"
