#include "fake_file_chooser.h"

#include "window/fitted_label.h"
#include "window/main_form.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;
using captiloom::window::FittedLabel;
using captiloom::window::MainForm;

namespace {

std::unique_ptr<MainForm> makeForm()
{
    return std::make_unique<MainForm>(std::make_unique<FakeFileChooser>(),
                                      std::make_unique<FakeFileChooser>());
}

QString shownText(const QWidget *control)
{
    if (auto *label = qobject_cast<const QLabel *>(control))
        return label->text();
    if (auto *box = qobject_cast<const QLineEdit *>(control))
        return box->text();
    if (auto *button = qobject_cast<const QAbstractButton *>(control))
        return button->text();
    if (auto *frame = qobject_cast<const QGroupBox *>(control))
        return frame->title();
    return {};
}

// The controls that Tab stops at, in the order it visits them from Text1.
QList<QWidget *> tabStops(QWidget *first)
{
    QList<QWidget *> stops;
    QWidget *widget = first;
    do {
        if (widget->focusPolicy() & Qt::TabFocus)
            stops.append(widget);
        widget = widget->nextInFocusChain();
    } while (widget != first);
    return stops;
}

} // namespace

class WindowLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void controls_data();
    void controls();
    void geometry_data();
    void geometry();
    void startsReadyForTheKeyboard();
    void labelsFitTheirBoxes_data();
    void labelsFitTheirBoxes();
};

void WindowLayoutTest::controls_data()
{
    QTest::addColumn<QString>("text"); // null: not checked
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<int>("tabStop"); // -1: never takes the focus

    const QString help =
        u"    将字幕文字断行,去掉标点符号,分段用空行.存为TXT文件并导入.生成的\r\n\r\n"
        u"字幕按照正常解说的节奏,智能决定字幕的显示时间.导入Reelvane后作精确\r\n\r\n"
        u"调整.每行文字最多20字,导入时可选择字体为新宋体,大小21至23等."_s;
    QTest::newRow("Label1") << u"源TXT文件"_s << true << true << -1;
    QTest::newRow("Text1") << u"请选择需要转换的TXT文件"_s << false << true << 0;
    QTest::newRow("Command1") << u"浏览\u2026"_s << true << true << 2;
    QTest::newRow("Label2") << u" 输出文件"_s << true << true << -1;
    QTest::newRow("Text2") << u"请选择输出路径和文件名"_s << false << true << 1;
    QTest::newRow("Command2") << u"浏览\u2026"_s << true << true << 3;
    QTest::newRow("Command3") << u"生 成 字 幕"_s << true << true << 4;
    QTest::newRow("Command4") << u"退   出"_s << true << true << 5;
    QTest::newRow("Frame1") << u"提示"_s << true << true << -1;
    QTest::newRow("Label3") << help << true << true << -1;
    QTest::newRow("Frame2") << u""_s << true << true << -1;
    QTest::newRow("ProgressBar1") << QString() << true << false << -1;
    QTest::newRow("Label4") << QString() << true << true << -1;
}

void WindowLayoutTest::controls()
{
    QFETCH(QString, text);
    QFETCH(bool, enabled);
    QFETCH(bool, visible);
    QFETCH(int, tabStop);

    auto form = makeForm();
    auto *control = form->findChild<QWidget *>(QLatin1StringView(QTest::currentDataTag()));
    QVERIFY(control);
    if (!text.isNull())
        QCOMPARE(shownText(control), text);
    else
        QVERIFY(!shownText(control).isEmpty() || qobject_cast<QProgressBar *>(control));
    QCOMPARE(control->isEnabled(), enabled);
    QCOMPARE(control->isVisibleTo(form.get()), visible);

    const auto stops = tabStops(form->findChild<QWidget *>(u"Text1"_s));
    QCOMPARE(stops.indexOf(control), tabStop);
    if (auto *button = qobject_cast<QPushButton *>(control))
        QVERIFY(!button->isDefault() && !button->autoDefault());
}

void WindowLayoutTest::geometry_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("twips");

    QTest::newRow("Label1") << u"MainForm"_s << QRect(120, 480, 855, 255);
    QTest::newRow("Text1") << u"MainForm"_s << QRect(960, 360, 5655, 375);
    QTest::newRow("Command1") << u"MainForm"_s << QRect(6720, 360, 735, 375);
    QTest::newRow("Label2") << u"MainForm"_s << QRect(120, 1440, 975, 255);
    QTest::newRow("Text2") << u"MainForm"_s << QRect(960, 1320, 5655, 375);
    QTest::newRow("Command2") << u"MainForm"_s << QRect(6720, 1320, 735, 375);
    QTest::newRow("Command3") << u"MainForm"_s << QRect(1200, 1920, 2415, 495);
    QTest::newRow("Command4") << u"MainForm"_s << QRect(4320, 1920, 2055, 495);
    QTest::newRow("Frame1") << u"MainForm"_s << QRect(480, 2520, 6855, 1455);
    QTest::newRow("Label3") << u"Frame1"_s << QRect(360, 360, 6375, 975);
    QTest::newRow("Frame2") << u"MainForm"_s << QRect(480, 4080, 6855, 615);
    QTest::newRow("ProgressBar1") << u"Frame2"_s << QRect(0, 120, 6855, 495);
    QTest::newRow("Label4") << u"Frame2"_s << QRect(240, 240, 6495, 255);
}

void WindowLayoutTest::geometry()
{
    QFETCH(QString, container);
    QFETCH(QRect, twips);

    auto form = makeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    auto *control = form->findChild<QWidget *>(QLatin1StringView(QTest::currentDataTag()));
    QVERIFY(control);
    const QRect pixels(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
    QCOMPARE(control->parentWidget()->objectName(), container);
    QCOMPARE(control->geometry(), pixels);
    QVERIFY(QRect(QPoint(), control->parentWidget()->size()).contains(pixels));
    // Resizing the window moves and stretches nothing.
    for (const QSize windowSize : { QSize(900, 700), QSize(300, 200) }) {
        form->resize(windowSize);
        QCoreApplication::processEvents();
        QCOMPARE(control->geometry(), pixels);
    }
}

void WindowLayoutTest::startsReadyForTheKeyboard()
{
    auto form = makeForm();
    QCOMPARE(form->windowTitle(), u"CaptiloomV3.5"_s);
    QCOMPARE(form->size(), QSize(504, 322));
    QVERIFY(form->SourcePath().isEmpty() && form->OutputPath().isEmpty());
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));

    // The path boxes are disabled, so Tab goes round the four buttons.
    for (const auto name : { "Command1", "Command2", "Command3", "Command4", "Command1" }) {
        QCOMPARE(QApplication::focusWidget()->objectName(), QLatin1StringView(name));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    // Enter neither converts nor quits: nothing is asked or closed.
    QTest::keyClick(form.get(), Qt::Key_Return);
    QTest::keyClick(form.get(), Qt::Key_Escape);
    QVERIFY(form->isVisible());
    QVERIFY(!QApplication::activeModalWidget());

    auto *text1 = form->findChild<QLabel *>(u"Label1"_s);
    QCOMPARE(text1->buddy(), form->findChild<QWidget *>(u"Text1"_s));
}

void WindowLayoutTest::labelsFitTheirBoxes_data()
{
    QTest::addColumn<qreal>("defaultPointSize");
    QTest::newRow("compact desktop font") << 9.0;
    QTest::newRow("common desktop font") << 11.0;
    QTest::newRow("large desktop font") << 12.0;
}

void WindowLayoutTest::labelsFitTheirBoxes()
{
    QFETCH(qreal, defaultPointSize);

    const QFont before = QApplication::font();
    QFont font = before;
    font.setPointSizeF(defaultPointSize);
    QApplication::setFont(font);
    auto form = makeForm();
    QApplication::setFont(before);

    for (auto *label : form->findChildren<FittedLabel *>()) {
        const QRect box = label->contentsRect();
        QVERIFY2(label->heightForWidth(box.width()) <= box.height(),
                 qPrintable(label->objectName()));
        // Shrunk only as far as needed, and never into illegibility.
        QVERIFY(label->textFont().pointSizeF() <= defaultPointSize);
        QVERIFY(label->textFont().pointSizeF() >= 7);
    }
}

QTEST_MAIN(WindowLayoutTest)
#include "window_layout_test.moc"
