#include "fake_file_chooser.h"
#include "modal_closer.h"

#include "window/main_form.h"
#include "window/window_services.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using captiloom::window::MainForm;
using captiloom::window::WindowServices;

namespace {

// The real window services with the message boxes answered at once; records
// what was shown and whether the progress bar showed with it.
class RecordingServices : public WindowServices
{
public:
    RecordingServices(MainForm &form)
        : WindowServices(form, *form.findChild<QProgressBar *>(u"ProgressBar1"_s))
        , m_form(form)
    { }

    QStringList texts;
    QList<bool> progressShown;
    bool ended = false;

    Answer showMessage(const QString &text, const QString &, Buttons buttons, bool) override
    {
        texts.append(text);
        progressShown.append(
            m_form.findChild<QProgressBar *>(u"ProgressBar1"_s)->isVisibleTo(&m_form));
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
    void endProgram() override { ended = true; }

private:
    MainForm &m_form;
};

struct Fixture
{
    FakeFileChooser *commonDialog1 = new FakeFileChooser;
    FakeFileChooser *commonDialog2 = new FakeFileChooser;
    MainForm form { std::unique_ptr<FakeFileChooser>(commonDialog1),
                    std::unique_ptr<FakeFileChooser>(commonDialog2) };
    RecordingServices *services = new RecordingServices(form);

    Fixture() { form.setServices(std::unique_ptr<RecordingServices>(services)); }

    void click(const char *name)
    {
        QTest::mouseClick(form.findChild<QWidget *>(QLatin1StringView(name)), Qt::LeftButton);
    }
};

const QString finished = u"      恭喜，恭喜！ 转换成功！"_s;

} // namespace

class MainFormTest : public QObject
{
    Q_OBJECT

private slots:
    void convertWritesTheDerivedOutput();
    void clearedOutputShowsItsMessage();
    void realDialogsAreWired();
    void exitButtonEndsTheProgram();
};

void MainFormTest::convertWritesTheDerivedOutput()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(u"字幕 素材"_s));
    const QString source = dir.filePath(u"字幕 素材/片头 一.txt"_s);
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("First line\r\n\r\nSecond\r\n");
    file.close();

    Fixture fixture;
    fixture.commonDialog1->answers = { source };
    fixture.click("Command1");
    fixture.click("Command3");

    QCOMPARE(fixture.services->texts, QStringList { finished });
    QCOMPARE(fixture.services->progressShown, QList<bool> { true });
    QVERIFY(!fixture.form.findChild<QProgressBar *>(u"ProgressBar1"_s)->isVisibleTo(&fixture.form));
    QFile output(dir.filePath(u"字幕 素材/片头 一(字幕).utf"_s));
    QVERIFY(output.open(QIODevice::ReadOnly));
    const QByteArray written = output.readAll();
    QVERIFY2(written.startsWith("1\r\n00:00:12,440 --> "), written.constData());
    QVERIFY(written.contains("\r\nFirst line\r\n\r\n2\r\n"));
    QVERIFY(written.contains("\r\nSecond\r\n"));
}

void MainFormTest::clearedOutputShowsItsMessage()
{
    Fixture fixture;
    fixture.commonDialog1->answers = { u"/视频/片头.txt"_s };
    fixture.commonDialog2->answers = { u"/视频/片头.utf"_s };
    fixture.click("Command1");
    fixture.click("Command2");
    auto *text2 = fixture.form.findChild<QLineEdit *>(u"Text2"_s);
    text2->selectAll();
    QTest::keyClick(text2, Qt::Key_Backspace);
    fixture.click("Command3");
    QCOMPARE(fixture.services->texts, QStringList { u"         请选择输出文件"_s });
}

void MainFormTest::realDialogsAreWired()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString chosen = QDir::toNativeSeparators(dir.filePath(u"新 片头.txt"_s));
    MainForm form;
    form.show();
    auto *text1 = form.findChild<QLineEdit *>(u"Text1"_s);
    auto *text2 = form.findChild<QLineEdit *>(u"Text2"_s);

    // Choose a file that does not exist yet.
    QPointer<QFileDialog> first;
    bool handled = false;
    whenModal<QFileDialog>(
        [&](QFileDialog *dialog) {
            first = dialog;
            QCOMPARE(dialog->objectName(), u"CommonDialog1"_s);
            QCOMPARE(dialog->nameFilters(), QStringList { u"Text Files(*.txt)"_s });
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
            QCOMPARE(dialog->fileMode(), QFileDialog::AnyFile);
            QVERIFY(dialog->defaultSuffix().isEmpty());
            QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));
            // Typed as a new name, the way a user names a file that is not there yet.
            dialog->setDirectory(dir.path());
            auto *name = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
            QVERIFY(name);
            name->setText(u"新 片头.txt"_s);
            static_cast<QDialog *>(dialog)->accept(); // as the Open button does
        },
        &handled);
    QTest::mouseClick(form.findChild<QWidget *>(u"Command1"_s), Qt::LeftButton);
    QVERIFY(handled);
    QCOMPARE(text1->text(), chosen);
    QCOMPARE(text2->text(), QDir::toNativeSeparators(dir.filePath(u"新 片头(字幕).utf"_s)));

    // A cancel later gives back that choice, from the same dialog.
    text1->setText(u"别的.txt"_s);
    whenModal<QFileDialog>(
        [&](QFileDialog *dialog) {
            QCOMPARE(dialog, first.data());
            dialog->reject();
        },
        &handled);
    QTest::mouseClick(form.findChild<QWidget *>(u"Command1"_s), Qt::LeftButton);
    QVERIFY(handled);
    QCOMPARE(text1->text(), chosen);

    // The source does not exist: the real message box says so.
    whenModal<QMessageBox>(
        [&](QMessageBox *box) {
            QCOMPARE(box->text(), u"          没找到源文件"_s);
            QCOMPARE(box->windowTitle(), u"CaptiloomV3.5"_s);
            box->button(QMessageBox::Ok)->click();
        },
        &handled);
    QTest::mouseClick(form.findChild<QWidget *>(u"Command3"_s), Qt::LeftButton);
    QVERIFY(handled);
    QVERIFY(form.isVisible());
}

void MainFormTest::exitButtonEndsTheProgram()
{
    MainForm form;
    form.show();
    QTimer::singleShot(0, &form, [&form] {
        QTest::mouseClick(form.findChild<QWidget *>(u"Command4"_s), Qt::LeftButton);
    });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); }); // a bound, should it not end
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!form.isVisible());
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
