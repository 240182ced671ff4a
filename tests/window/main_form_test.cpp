#include "window_test_support.h"

#include "derive_output_path.h"
#include "fitted_label.h"
#include "main_form.h"
#include "window_services.h"

#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace captiloom::window;

namespace {

const QString sourcePrompt = u"请选择需要转换的TXT文件"_s;
const QString outputPrompt = u"请选择输出路径和文件名"_s;

// The real services with every message answered at once and recorded, marked
// when the progress bar showed with it.
class RecordingServices : public WindowServices
{
public:
    RecordingServices(QWidget &form, QProgressBar &bar)
        : WindowServices(form, bar)
        , m_bar(bar)
    { }
    QStringList shown;
    Answer showMessage(const QString &text, const QString &, Buttons buttons, bool) override
    {
        shown.append(text + (m_bar.isHidden() ? u""_s : u" [progress]"_s));
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }

private:
    QProgressBar &m_bar;
};

struct Fixture
{
    FakeFileChooser *commonDialog1 = new FakeFileChooser;
    FakeFileChooser *commonDialog2 = new FakeFileChooser;
    MainForm form { std::unique_ptr<FileChooser>(commonDialog1),
                    std::unique_ptr<FileChooser>(commonDialog2) };
    RecordingServices *services = new RecordingServices(form, *get<QProgressBar>("ProgressBar1"));

    Fixture() { form.setServices(std::unique_ptr<RecordingServices>(services)); }
    template<typename T = QWidget> T *get(const char *name) const
    {
        return form.findChild<T *>(QLatin1StringView(name));
    }
    void click(const char *name) { QTest::mouseClick(get(name), Qt::LeftButton); }
};

// Where Tab stops, in order, from the first path box.
QList<QWidget *> tabStops(QWidget *first)
{
    QList<QWidget *> stops { first };
    for (QWidget *w = first->nextInFocusChain(); w != first; w = w->nextInFocusChain())
        stops.append(w->focusPolicy() & Qt::TabFocus ? QList { w } : QList<QWidget *>());
    return stops;
}

} // namespace

class MainFormTest : public QObject
{
    Q_OBJECT

private slots:
    void controls_data();
    void controls();
    void startsReadyForTheKeyboard();
    void labelsFitTheirBoxes();
    void deriveOutputPath_data();
    void deriveOutputPath();
    void pathActions_data();
    void pathActions();
    void convertWritesTheDerivedOutput();
    void realFileDialogIsWired_data();
    void realFileDialogIsWired();
    void exitButtonEndsTheProgram();
};

void MainFormTest::controls_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("text"); // null: any
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<int>("tabStop"); // -1: never takes the focus

    const QString window = u"MainForm"_s;
    const QString help =
        u"    将字幕文字断行,去掉标点符号,分段用空行.存为TXT文件并导入.生成的\r\n\r\n"
        u"字幕按照正常解说的节奏,智能决定字幕的显示时间.导入Reelvane后作精确\r\n\r\n"
        u"调整.每行文字最多20字,导入时可选择字体为新宋体,大小21至23等."_s;
    // clang-format off
    QTest::newRow("Label1") << window << QRect(120, 480, 855, 255) << u"源TXT文件"_s << true << true << -1;
    QTest::newRow("Text1") << window << QRect(960, 360, 5655, 375) << sourcePrompt << false << true << 0;
    QTest::newRow("Command1") << window << QRect(6720, 360, 735, 375) << u"浏览\u2026"_s << true << true << 2;
    QTest::newRow("Label2") << window << QRect(120, 1440, 975, 255) << u" 输出文件"_s << true << true << -1;
    QTest::newRow("Text2") << window << QRect(960, 1320, 5655, 375) << outputPrompt << false << true << 1;
    QTest::newRow("Command2") << window << QRect(6720, 1320, 735, 375) << u"浏览\u2026"_s << true << true << 3;
    QTest::newRow("Command3") << window << QRect(1200, 1920, 2415, 495) << u"生 成 字 幕"_s << true << true << 4;
    QTest::newRow("Command4") << window << QRect(4320, 1920, 2055, 495) << u"退   出"_s << true << true << 5;
    QTest::newRow("Frame1") << window << QRect(480, 2520, 6855, 1455) << u"提示"_s << true << true << -1;
    QTest::newRow("Label3") << u"Frame1"_s << QRect(360, 360, 6375, 975) << help << true << true << -1;
    QTest::newRow("Frame2") << window << QRect(480, 4080, 6855, 615) << u""_s << true << true << -1;
    QTest::newRow("ProgressBar1") << u"Frame2"_s << QRect(0, 120, 6855, 495) << QString() << true << false << -1;
    QTest::newRow("Label4") << u"Frame2"_s << QRect(240, 240, 6495, 255) << QString() << true << true << -1;
    // clang-format on
}

void MainFormTest::controls()
{
    QFETCH(QRect, twips);
    Fixture fixture;
    QWidget *control = fixture.get(QTest::currentDataTag());
    QVERIFY(control);
    QTEST(control->parentWidget()->objectName(), "container");
    const QRect pixels(twips.topLeft() / 15, twips.size() / 15);
    QVERIFY(QRect(QPoint(), control->parentWidget()->size()).contains(pixels));
    for (const QSize size : { QSize(504, 322), QSize(900, 700), QSize(200, 100) }) {
        fixture.form.resize(size); // moves and stretches nothing
        QCOMPARE(control->geometry(), pixels);
    }
    QFETCH(QString, text);
    const char *textProperty = qobject_cast<QGroupBox *>(control) ? "title" : "text";
    if (!text.isNull())
        QCOMPARE(control->property(textProperty).toString(), text);
    QTEST(control->isEnabled(), "enabled");
    QTEST(control->isVisibleTo(&fixture.form), "visible");
    QTEST(int(tabStops(fixture.get("Text1")).indexOf(control)), "tabStop");
    if (auto *button = qobject_cast<QPushButton *>(control))
        QVERIFY(!button->isDefault() && !button->autoDefault());
}

void MainFormTest::startsReadyForTheKeyboard()
{
    Fixture fixture;
    QCOMPARE(fixture.form.windowTitle(), u"CaptiloomV3.5"_s);
    QCOMPARE(fixture.form.size(), QSize(504, 322));
    QCOMPARE(fixture.get<QLabel>("Label1")->buddy(), fixture.get("Text1"));
    QCOMPARE(fixture.get<QLabel>("Label2")->buddy(), fixture.get("Text2"));
    fixture.form.show();
    QVERIFY(QTest::qWaitForWindowActive(&fixture.form));
    QCOMPARE(QApplication::focusWidget(), fixture.get("Command1"));
    // Neither Enter nor Esc converts or quits.
    QTest::keyClick(&fixture.form, Qt::Key_Return);
    QTest::keyClick(&fixture.form, Qt::Key_Escape);
    QVERIFY(fixture.services->shown.isEmpty() && fixture.form.isVisible());
}

void MainFormTest::labelsFitTheirBoxes()
{
    // On a compact and on a large desktop font, every label fits its box in
    // a size that is still legible.
    const QFont before = QApplication::font();
    for (const qreal points : { 9.0, 14.0 }) {
        QFont font = before;
        font.setPointSizeF(points);
        QApplication::setFont(font);
        Fixture fixture;
        for (auto *label : fixture.form.findChildren<FittedLabel *>()) {
            QVERIFY(label->heightForWidth(label->width()) <= label->height());
            QVERIFY(label->textFont().pointSizeF() >= 7);
        }
    }
    QApplication::setFont(before);
}

void MainFormTest::deriveOutputPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("derived");
    QTest::newRow("every one in the name") << u"a.txt.txt"_s << u"a(字幕).utf(字幕).utf"_s;
    QTest::newRow("inside the name") << u"/my.txtfile"_s << u"/my(字幕).utffile"_s;
    QTest::newRow("folders too") << u"D:\\x.txt\\y.txt"_s << u"D:\\x(字幕).utf\\y(字幕).utf"_s;
    QTest::newRow("other endings") << u"D:\\片头.text"_s << u"D:\\片头.text"_s;
    QTest::newRow("upper case") << u"D:\\片头.TXT"_s << u"D:\\片头.TXT"_s;
}

void MainFormTest::deriveOutputPath()
{
    QFETCH(QString, path);
    QTEST(DeriveOutputPath(path), "derived");
}

void MainFormTest::pathActions_data()
{
    // "source:<name>" and "output:<name>" press a browse button whose chooser
    // answers <name>, or cancels when it is empty; "type1:" and "type2:"
    // replace a box's text the way an input method does.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected"); // Text1, Text2, SourcePath, OutputPath
    QTest::addColumn<bool>("text1Enabled");
    QTest::addColumn<bool>("text2Enabled");
    QTest::addColumn<QString>("onConvert"); // the message the convert button then shows

    const QString m1 = u"          请选择源文件"_s;
    const QString m2 = u"         请选择输出文件"_s;
    const QString m3 = u"          没找到源文件"_s;
    const QString src = u"/视频 素材/片头 一.txt"_s;
    const QString derived = u"/视频 素材/片头 一(字幕).utf"_s;
    const QString out = u"/成品/片头.utf"_s;
    const QString longSource = u"/"_s + QString(40000, u'深') + u".txt"_s;
    const QStringList untouched { sourcePrompt, outputPrompt, u""_s, u""_s };
    // clang-format off
    QTest::newRow("source cancelled first") << QStringList{u"source:"_s} << untouched << false << false << m1;
    QTest::newRow("output cancelled first") << QStringList{u"output:"_s} << untouched << false << false << m1;
    QTest::newRow("source") << QStringList{u"source:"_s + src} << QStringList{src, derived, src, derived} << true << false << m3;
    QTest::newRow("output, then source") << QStringList{u"output:"_s + out, u"source:"_s + src} << QStringList{src, derived, src, derived} << true << true << m3;
    QTest::newRow("source cancelled later") << QStringList{u"source:"_s + src, u"output:"_s + out, u"type1:/别的.txt"_s, u"source:"_s} << QStringList{src, derived, src, derived} << true << true << m3;
    QTest::newRow("output cancelled later") << QStringList{u"output:"_s + out, u"type2:/别的.utf"_s, u"output:"_s} << QStringList{sourcePrompt, out, u""_s, out} << false << true << m1;
    QTest::newRow("source typed") << QStringList{u"source:"_s + src, u"type1:/新 片/尾.txt"_s} << QStringList{u"/新 片/尾.txt"_s, u"/新 片/尾(字幕).utf"_s, u"/新 片/尾.txt"_s, u"/新 片/尾(字幕).utf"_s} << true << false << m3;
    QTest::newRow("output cleared") << QStringList{u"source:"_s + src, u"output:"_s + out, u"type2:"_s} << QStringList{src, u""_s, src, u""_s} << true << true << m2;
    QTest::newRow("very long path") << QStringList{u"source:"_s + longSource} << QStringList{longSource, DeriveOutputPath(longSource), longSource, DeriveOutputPath(longSource)} << true << false << m3;
    // clang-format on
}

void MainFormTest::pathActions()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    Fixture fixture;
    auto *text1 = fixture.get<QLineEdit>("Text1");
    auto *text2 = fixture.get<QLineEdit>("Text2");
    for (const QString &step : std::as_const(steps)) {
        const QString value = step.section(u':', 1);
        if (step.startsWith(u"source:") || step.startsWith(u"output:")) {
            const bool source = step.startsWith(u"source:");
            (source ? fixture.commonDialog1 : fixture.commonDialog2)->answers = { value.isEmpty()
                                                                                      ? QString()
                                                                                      : value };
            fixture.click(source ? "Command1" : "Command2");
        } else {
            QLineEdit *box = step.startsWith(u"type1:") ? text1 : text2;
            QVERIFY(box->isEnabled());
            box->selectAll();
            QTest::keyClick(box, Qt::Key_Backspace);
            QInputMethodEvent commit;
            commit.setCommitString(value);
            QApplication::sendEvent(box, &commit);
        }
    }
    QCOMPARE((QStringList { text1->text(), text2->text(), fixture.form.SourcePath(),
                            fixture.form.OutputPath() }),
             expected);
    QTEST(text1->isEnabled(), "text1Enabled");
    QTEST(text2->isEnabled(), "text2Enabled");
    fixture.commonDialog1->filters.removeAll(u"Text Files(*.txt)|*.txt"_s);
    fixture.commonDialog2->filters.removeAll(u"utf Files(*.utf)|*.utf"_s);
    QVERIFY(fixture.commonDialog1->filters.isEmpty() && fixture.commonDialog2->filters.isEmpty());

    // The convert button runs with these paths.
    fixture.click("Command3");
    QFETCH(QString, onConvert);
    QCOMPARE(fixture.services->shown, QStringList { onConvert });
}

void MainFormTest::convertWritesTheDerivedOutput()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid() && QDir(dir.path()).mkdir(u"字幕 素材"_s));
    QFile source(dir.filePath(u"字幕 素材/片头 一.txt"_s));
    QVERIFY(source.open(QIODevice::WriteOnly));
    source.write("First line\r\n\r\nSecond\r\n");
    source.close();

    Fixture fixture;
    fixture.commonDialog1->answers = { source.fileName() };
    fixture.click("Command1");
    fixture.click("Command3");
    // The bar shows while the success message does, and goes with it.
    QCOMPARE(fixture.services->shown,
             QStringList { u"      恭喜，恭喜！ 转换成功！ [progress]"_s });
    QVERIFY(!fixture.get("ProgressBar1")->isVisibleTo(&fixture.form));
    QFile output(dir.filePath(u"字幕 素材/片头 一(字幕).utf"_s));
    QVERIFY(output.open(QIODevice::ReadOnly));
    const QByteArray written = output.readAll();
    QVERIFY2(written.startsWith("1\r\n00:00:12,440 --> ") && written.contains("\r\nSecond\r\n"),
             written.constData());
}

void MainFormTest::realFileDialogIsWired_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("dialogName");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QFileDialog::AcceptMode>("acceptMode");
    QTest::addColumn<QString>("typed"); // a file that does not exist yet
    // Native open dialogs have no name field and refuse a new file, so the
    // output is named in a save dialog; the source is picked in an open one.
    // clang-format off
    QTest::newRow("source") << u"Command1"_s << u"Text1"_s << u"CommonDialog1"_s << u"Text Files(*.txt)"_s << QFileDialog::AcceptOpen << u"新 片头.txt"_s;
    QTest::newRow("output") << u"Command2"_s << u"Text2"_s << u"CommonDialog2"_s << u"utf Files(*.utf)"_s << QFileDialog::AcceptSave << u"新 片头"_s;
    // clang-format on
}

void MainFormTest::realFileDialogIsWired()
{
    QFETCH(QString, button);
    QFETCH(QString, box);
    QFETCH(QString, filter);
    QFETCH(QString, typed);
    QTemporaryDir dir;
    MainForm form;
    form.show();
    auto *pathBox = form.findChild<QLineEdit *>(box);
    auto *browse = form.findChild<QPushButton *>(button);
    // Taken as typed: no extension added.
    const QString chosen = QDir::toNativeSeparators(dir.filePath(typed));

    QPointer<QFileDialog> first;
    bool handled = false;
    whenModal<QFileDialog>(
        [&](QFileDialog *dialog) {
            first = dialog;
            QTEST(dialog->objectName(), "dialogName");
            QCOMPARE(dialog->nameFilters(), QStringList { filter });
            QTEST(dialog->acceptMode(), "acceptMode");
            // The conversion asks before replacing a file.
            QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));
            dialog->setDirectory(dir.path());
            dialog->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(typed);
            static_cast<QDialog *>(dialog)->accept(); // as the Open or Save button does
        },
        &handled);
    browse->click();
    QVERIFY(handled);
    QCOMPARE(pathBox->text(), chosen);

    // A native dialog forgets where it was between showings; reopened, the
    // chooser still offers its last choice, and a cancel gives it back.
    first->setDirectory(QDir::rootPath());
    first->findChild<QLineEdit *>(u"fileNameEdit"_s)->clear();
    pathBox->setText(u"别的"_s);
    whenModal<QFileDialog>(
        [&](QFileDialog *dialog) {
            QCOMPARE(dialog, first.data());
            QCOMPARE(dialog->directory(), QDir(dir.path()));
            QCOMPARE(dialog->selectedFiles(), QStringList { QDir::fromNativeSeparators(chosen) });
        },
        &handled);
    browse->click();
    QVERIFY(handled);
    QCOMPARE(pathBox->text(), chosen);
}

void MainFormTest::exitButtonEndsTheProgram()
{
    MainForm form;
    form.show();
    QTimer::singleShot(0, form.findChild<QPushButton *>(u"Command4"_s), &QPushButton::click);
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); }); // should it not end
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!form.isVisible());
}

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
