#include "fake_file_chooser.h"

#include "window/derive_output_path.h"
#include "window/main_form.h"

#include <QLineEdit>
#include <QtTest>

using namespace Qt::StringLiterals;
using captiloom::window::DeriveOutputPath;
using captiloom::window::MainForm;

namespace {

const QString sourcePrompt = u"请选择需要转换的TXT文件"_s;
const QString outputPrompt = u"请选择输出路径和文件名"_s;

void typeInto(QLineEdit *box, const QString &text)
{
    QVERIFY(box->isEnabled());
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    // Chinese is typed through an input method, which commits whole words.
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(box, &commit);
}

} // namespace

class PathFieldsTest : public QObject
{
    Q_OBJECT

private slots:
    void deriveOutputPath_data();
    void deriveOutputPath();
    void actions_data();
    void actions();
    void keepsLongPaths();
};

void PathFieldsTest::deriveOutputPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("derived");

    QTest::newRow("windows path") << u"D:\\字幕\\片头.txt"_s << u"D:\\字幕\\片头(字幕).utf"_s;
    QTest::newRow("spaces") << u"/home/李 明/视频 素材/片头 一.txt"_s
                            << u"/home/李 明/视频 素材/片头 一(字幕).utf"_s;
    QTest::newRow("every occurrence in the name")
        << u"D:\\a.txt.txt"_s << u"D:\\a(字幕).utf(字幕).utf"_s;
    QTest::newRow("inside the name") << u"D:\\my.txtfile"_s << u"D:\\my(字幕).utffile"_s;
    QTest::newRow("folder with .txt, backslashes")
        << u"D:\\x.txt\\y.txt"_s << u"D:\\x.txt\\y(字幕).utf"_s;
    QTest::newRow("folder with .txt, slashes") << u"/x.txt/y.txt"_s << u"/x.txt/y(字幕).utf"_s;
    QTest::newRow("upper case") << u"D:\\片头.TXT"_s << u"D:\\片头.TXT"_s;
    QTest::newRow("mixed case") << u"D:\\片头.Txt"_s << u"D:\\片头.Txt"_s;
    QTest::newRow("longer extension") << u"D:\\片头.text"_s << u"D:\\片头.text"_s;
    QTest::newRow("bare name") << u"片头.txt"_s << u"片头(字幕).utf"_s;
    QTest::newRow("empty") << u""_s << u""_s;
}

void PathFieldsTest::deriveOutputPath()
{
    QFETCH(QString, path);
    QFETCH(QString, derived);
    QCOMPARE(DeriveOutputPath(path), derived);
}

void PathFieldsTest::actions_data()
{
    // Steps: "source:<name>" / "output:<name>" use a browse button, the chooser
    // answering <name> or, when it is empty, cancelling; "type1:" / "type2:"
    // replace the text of Text1 / Text2 by typing.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("text1");
    QTest::addColumn<bool>("text1Enabled");
    QTest::addColumn<QString>("text2");
    QTest::addColumn<bool>("text2Enabled");
    QTest::addColumn<QString>("SourcePath");
    QTest::addColumn<QString>("OutputPath");

    const QString source = u"/视频 素材/片头 一.txt"_s;
    const QString derived = u"/视频 素材/片头 一(字幕).utf"_s;
    const QString output = u"/成品/片头.utf"_s;

    QTest::newRow("source cancelled before any choice")
        << QStringList { u"source:"_s } << sourcePrompt << false << outputPrompt << false << u""_s
        << u""_s;
    QTest::newRow("output cancelled before any choice")
        << QStringList { u"output:"_s } << sourcePrompt << false << outputPrompt << false << u""_s
        << u""_s;
    QTest::newRow("source chosen") << QStringList { u"source:"_s + source } << source << true
                                   << derived << false << source << derived;
    QTest::newRow("output chosen") << QStringList { u"output:"_s + output } << sourcePrompt << false
                                   << output << true << u""_s << output;
    QTest::newRow("output first, then source")
        << QStringList { u"output:"_s + output, u"source:"_s + source } << source << true << derived
        << true << source << derived;
    QTest::newRow("source, then output")
        << QStringList { u"source:"_s + source, u"output:"_s + output } << source << true << output
        << true << source << output;
    QTest::newRow("source cancelled after a choice")
        << QStringList { u"source:"_s + source, u"output:"_s + output, u"type1:/别的.txt"_s,
                         u"source:"_s }
        << source << true << derived << true << source << derived;
    QTest::newRow("output cancelled after a choice")
        << QStringList { u"output:"_s + output, u"type2:/别的.utf"_s, u"output:"_s } << sourcePrompt
        << false << output << true << u""_s << output;
    QTest::newRow("typing a source derives the output")
        << QStringList { u"source:"_s + source, u"type1:/新 片/片尾.txt"_s } << u"/新 片/片尾.txt"_s
        << true << u"/新 片/片尾(字幕).utf"_s << false << u"/新 片/片尾.txt"_s
        << u"/新 片/片尾(字幕).utf"_s;
    QTest::newRow("typing an output")
        << QStringList { u"output:"_s + output, u"type2:/其他.utf"_s } << sourcePrompt << false
        << u"/其他.utf"_s << true << u""_s << u"/其他.utf"_s;
    QTest::newRow("output cleared by typing")
        << QStringList { u"source:"_s + source, u"output:"_s + output, u"type2:"_s } << source
        << true << u""_s << true << source << u""_s;
}

void PathFieldsTest::actions()
{
    QFETCH(QStringList, steps);

    auto sourceChooser = std::make_unique<FakeFileChooser>();
    auto outputChooser = std::make_unique<FakeFileChooser>();
    FakeFileChooser &commonDialog1 = *sourceChooser;
    FakeFileChooser &commonDialog2 = *outputChooser;
    MainForm form(std::move(sourceChooser), std::move(outputChooser));
    auto *text1 = form.findChild<QLineEdit *>(u"Text1"_s);
    auto *text2 = form.findChild<QLineEdit *>(u"Text2"_s);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    for (const QString &step : std::as_const(steps)) {
        const QString action = step.section(u':', 0, 0);
        const QString value = step.section(u':', 1);
        if (action == u"source") {
            commonDialog1.answers = { value.isEmpty() ? QString() : value };
            QTest::mouseClick(form.findChild<QWidget *>(u"Command1"_s), Qt::LeftButton);
        } else if (action == u"output") {
            commonDialog2.answers = { value.isEmpty() ? QString() : value };
            QTest::mouseClick(form.findChild<QWidget *>(u"Command2"_s), Qt::LeftButton);
        } else {
            typeInto(action == u"type1" ? text1 : text2, value);
        }
    }

    QTEST(text1->text(), "text1");
    QTEST(text1->isEnabled(), "text1Enabled");
    QTEST(text2->text(), "text2");
    QTEST(text2->isEnabled(), "text2Enabled");
    QTEST(form.SourcePath(), "SourcePath");
    QTEST(form.OutputPath(), "OutputPath");
    for (const QString &filter : std::as_const(commonDialog1.filters))
        QCOMPARE(filter, u"Text Files(*.txt)|*.txt"_s);
    for (const QString &filter : std::as_const(commonDialog2.filters))
        QCOMPARE(filter, u"utf Files(*.utf)|*.utf"_s);
}

void PathFieldsTest::keepsLongPaths()
{
    // A text box holds any path; a silent cut would convert the wrong file.
    auto chooser = std::make_unique<FakeFileChooser>();
    const QString deep = u"/"_s + QString(40000, u'深') + u".txt"_s;
    chooser->answers = { deep };
    MainForm form(std::move(chooser), std::make_unique<FakeFileChooser>());
    QTest::mouseClick(form.findChild<QWidget *>(u"Command1"_s), Qt::LeftButton);
    QCOMPARE(form.SourcePath(), deep);
    QCOMPARE(form.OutputPath(), DeriveOutputPath(deep));
}

QTEST_MAIN(PathFieldsTest)
#include "path_fields_test.moc"
