#include "run_test_support.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace captiloom::conversion;
using Answer = Services::Answer;

using namespace runtest;

class TestConversionRun : public RunFixture
{
    Q_OBJECT

private slots:
    void refusals_data();
    void refusals();
    void overwriteQuestion_data();
    void overwriteQuestion();
    void sources_data();
    void sources();
    void lineCountLimit_data();
    void lineCountLimit();
    void progressSequence();
    void writeFailures_data();
    void writeFailures();
};

// Every way the run stops before touching a file.
void TestConversionRun::refusals_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("message");
    QTest::newRow("no source") << QString() << u"out.utf"_qs << noSource;
    QTest::newRow("no output") << u"in.txt"_qs << QString() << noOutput;
    QTest::newRow("nothing chosen") << QString() << QString() << noSource;
    QTest::newRow("source absent") << u"absent.txt"_qs << u"out.utf"_qs << sourceMissing;
    QTest::newRow("source is a folder") << u"folder"_qs << u"out.utf"_qs << sourceMissing;
    QTest::newRow("source is a FIFO") << u"fifo"_qs << u"out.utf"_qs << sourceMissing;
    QTest::newRow("same text") << u"in.txt"_qs << u"in.txt"_qs << sameFile;
    QTest::newRow("dot segment") << u"in.txt"_qs << u"./in.txt"_qs << sameFile;
    QTest::newRow("dot-dot segment") << u"in.txt"_qs << u"folder/../in.txt"_qs << sameFile;
    QTest::newRow("symbolic link") << u"in.txt"_qs << u"link.utf"_qs << sameFile;
    QTest::newRow("hard link") << u"in.txt"_qs << u"hard.utf"_qs << sameFile;
    QTest::newRow("relative and absolute") << u"in.txt"_qs << u"@in.txt"_qs << sameFile;
}

void TestConversionRun::refusals()
{
    QFETCH(QString, source);
    QFETCH(QString, output);
    QFETCH(QString, message);
    const QByteArray text = gbk(u"你好世界\r\n"_qs);
    writeFile(path(u"in.txt"_qs), text);
    writeFile(path(u"out.utf"_qs), "old");
    QVERIFY(QDir(m_dir->path()).mkdir(u"folder"_qs));
    QVERIFY(QFile::link(path(u"in.txt"_qs), path(u"link.utf"_qs)));
    QCOMPARE(::link(QFile::encodeName(path(u"in.txt"_qs)).constData(),
                    QFile::encodeName(path(u"hard.utf"_qs)).constData()),
             0);
    QCOMPARE(::mkfifo(QFile::encodeName(path(u"fifo"_qs)).constData(), 0600), 0);

    // Relative paths are taken from the working folder, like a typed path.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
    const auto resolve = [this](const QString &name) {
        return name.startsWith(u'@') ? path(name.mid(1)) : name;
    };
    run(source, resolve(output));
    QDir::setCurrent(previous);

    QCOMPARE(m_services.calls, QStringList { message });
    QCOMPARE(readFile(path(u"in.txt"_qs)), text);
    QCOMPARE(readFile(path(u"out.utf"_qs)), QByteArray("old"));
}

void TestConversionRun::overwriteQuestion_data()
{
    QTest::addColumn<Answer>("answer");
    QTest::newRow("no keeps both files") << Answer::No;
    QTest::newRow("yes replaces") << Answer::Yes;
}

void TestConversionRun::overwriteQuestion()
{
    QFETCH(Answer, answer);
    const QByteArray text = gbk(u"你好世界\r\n"_qs);
    writeFile(path(u"in.txt"_qs), text);
    writeFile(path(u"out.utf"_qs), "old output");
    QFile::setPermissions(path(u"out.utf"_qs), QFile::ReadOwner);
    m_services.answers = { answer };

    run(path(u"in.txt"_qs), path(u"out.utf"_qs));

    QCOMPARE(m_services.messages().value(0), overwrite);
    QCOMPARE(readFile(path(u"in.txt"_qs)), text);
    if (answer == Answer::No) {
        QCOMPARE(m_services.calls, QStringList { overwrite });
        QCOMPARE(readFile(path(u"out.utf"_qs)), QByteArray("old output"));
    } else {
        QCOMPARE(m_services.messages(), (QStringList { overwrite, finished }));
        QCOMPARE(readFile(path(u"out.utf"_qs)),
                 gbk(u"1\r\n00:00:12,440 --> 00:00:13,440\r\n你好世界\r\n\r\n"_qs));
    }
    QCOMPARE(entries(), (QStringList { u"in.txt"_qs, u"out.utf"_qs }));
}

// Whole runs over an old output the user agrees to replace, from sources of
// every shape of line and encoding: either the document byte for byte, or the
// message that stops the run with the old output as it was.
void TestConversionRun::sources_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("outcome"); // finished, or the message that stops the run
    QTest::addColumn<QByteArray>("document");
    const auto marked = [](QStringConverter::Encoding encoding, const QString &text) {
        QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
        return QByteArray(encoder.encode(text));
    };
    const QByteArray longest = gbk(QString(23, u'长'));
    const QByteArray ten = gbk(QString(10, u'字'));
    const QByteArray full = gbk(QString(22, u'满'));
    const char *sixSeconds = "00:00:12,440 --> 00:00:18,440";
    const char *first = "00:00:12,440 --> 00:00:13,440";

    QTest::newRow("worked example")
        << gbk(u"你好世界\r\n\r\na\r\n这是一个比较长的字幕行测试内容"_qs) << finished
        << gbk(u"1\r\n00:00:12,440 --> 00:00:13,440\r\n你好世界\r\n\r\n"
               "2\r\n00:00:15,440 --> 00:00:15,940\r\na\r\n\r\n"
               "3\r\n00:00:15,940 --> 00:00:19,940\r\n这是一个比较长的字幕行测试内容\r\n\r\n"_qs);
    QTest::newRow("empty source") << QByteArray() << finished << QByteArray();
    QTest::newRow("blank lines only") << QByteArray("\r\n\r\n\r") << finished << QByteArray();
    QTest::newRow("LF-only source is one line")
        << QByteArray("ab\ncd\n") << finished
        << block(1, "00:00:12,440 --> 00:00:14,440", "ab\ncd\n");
    QTest::newRow("lone CR ends lines")
        << QByteArray("ab\rcd\r\rx") << finished
        << block(1, first, "ab") + block(2, "00:00:13,440 --> 00:00:14,440", "cd")
            + block(3, "00:00:16,440 --> 00:00:16,940", "x");
    QTest::newRow("spaces are not blank, CR LF CR")
        << QByteArray("  \r\n\r") << finished << block(1, first, "  ");
    QTest::newRow("arrows and commas copied")
        << QByteArray(" 1,2 --> 3 ") << finished
        << block(1, "00:00:12,440 --> 00:00:15,440", " 1,2 --> 3 ");

    // The length rule, counted in characters of the decoded line.
    QTest::newRow("24 units") << gbk(QString(24, u'长')) << tooLong(1) << QByteArray();
    QTest::newRow("23 Chinese and a Latin letter") << longest + "a" << tooLong(1) << QByteArray();
    QTest::newRow("third, after a blank")
        << gbk(u"你好\r\n\r\n"_qs) + longest + "x\r\nok" << tooLong(3) << QByteArray();
    QTest::newRow("LF-only source too long as one line")
        << linesOf(12, "ab").replace("\r\n", "\n") << tooLong(1) << QByteArray();
    QTest::newRow("after many short lines")
        << linesOf(500, "ok") + longest + "!" << tooLong(501) << QByteArray();
    QTest::newRow("23 NUL bytes") << QByteArray(23, '\0') << finished
                                  << block(1, sixSeconds, QByteArray(23, '\0'));
    QTest::newRow("24 NUL bytes") << QByteArray(24, '\0') << tooLong(1) << QByteArray();

    // Bytes the code page cannot decode are kept, each one character long.
    QTest::newRow("23 units, undecodable bytes among them") << ten + "\xff" + ten
            + "\xfe\xff" << finished << block(1, sixSeconds, ten + "\xff" + ten + "\xfe\xff");
    QTest::newRow("24 units, undecodable bytes among them")
        << ten + "\xff" + ten + "\xfe\xff\xff" << tooLong(1) << QByteArray();
    QTest::newRow("lead byte at the very end, 23 units")
        << full + "\xc4" << finished << block(1, sixSeconds, full + "\xc4");
    QTest::newRow("lead byte at the very end, 24 units")
        << "ok\r\n" + full + "a\xc4" << tooLong(2) << QByteArray();
    QTest::newRow("lead byte before CR LF") << QByteArray("\xc4\r\nok") << finished
                                            << block(1, "00:00:12,440 --> 00:00:12,940", "\xc4")
            + block(2, "00:00:12,940 --> 00:00:13,940", "ok");
    QTest::newRow("undecodable bytes kept")
        << QByteArray("a\xff\xfe\x80\r\n\x81\x30 and \x81") << finished
        << block(1, first, "a\xff\xfe\x80")
            + block(2, "00:00:13,440 --> 00:00:15,440", "\x81\x30 and \x81");

    // The same text in every encoding gives the same document, in the code page.
    const QString text =
        u"第一行字幕\r\n\r\n二十三个字的一行字幕正好不算太长也不算太短吧啊\r\nMixed 中文 line\r\n"_qs;
    const QByteArray document =
        gbk(u"1\r\n00:00:12,440 --> 00:00:13,440\r\n第一行字幕\r\n\r\n"
            "2\r\n00:00:15,440 --> "
            "00:00:21,440\r\n二十三个字的一行字幕正好不算太长也不算太短吧啊\r\n\r\n"
            "3\r\n00:00:21,440 --> 00:00:24,440\r\nMixed 中文 line\r\n\r\n"_qs);
    QTest::newRow("GBK") << gbk(text) << finished << document;
    QTest::newRow("UTF-8") << text.toUtf8() << finished << document;
    QTest::newRow("UTF-8 with a mark")
        << marked(QStringConverter::Utf8, text) << finished << document;
    QTest::newRow("UTF-16 LE") << marked(QStringConverter::Utf16LE, text) << finished << document;
    QTest::newRow("UTF-16 BE") << marked(QStringConverter::Utf16BE, text) << finished << document;
    // The mark is not part of the first line, so a marked blank line stays blank.
    QTest::newRow("UTF-8 mark on a blank line")
        << "\xEF\xBB\xBF\r\n" + u"中文"_qs.toUtf8() << finished
        << block(1, "00:00:14,440 --> 00:00:15,440", gbk(u"中文"_qs));
    QTest::newRow("ASCII reads the same either way")
        << QByteArray("plain\r\n") << finished << block(1, first, "plain");
    // Short GBK texts that happen to look like other encodings stay GBK.
    QTest::newRow("GBK 联通") << gbk(u"联通"_qs) << finished << block(1, first, gbk(u"联通"_qs));
    QTest::newRow("GBK 联") << gbk(u"联"_qs) << finished
                            << block(1, "00:00:12,440 --> 00:00:12,940", gbk(u"联"_qs));
    // Valid UTF-8 too, as two Cyrillic letters.
    QTest::newRow("GBK 谢谢") << gbk(u"谢谢"_qs) << finished << block(1, first, gbk(u"谢谢"_qs));
    // Its first bytes spell a UTF-8 mark.
    QTest::newRow("GBK 锘客") << gbk(u"锘客"_qs) << finished << block(1, first, gbk(u"锘客"_qs));
    QTest::newRow("UTF-8, 24 characters after 23")
        << QString(23, u'长').toUtf8() + "\r\n" + QString(24, u'长').toUtf8() << tooLong(2)
        << QByteArray();
    // Found before a later line that is too long.
    QTest::newRow("UTF-8 emoji") << u"第一行\r\n\r\n表情😀\r\n"_qs.toUtf8()
            + QString(24, u'长').toUtf8()
                                 << unsavable(3, u"😀"_qs) << QByteArray();
    // Each line is decoded on its own: neither a lone last byte nor a U+FEFF
    // starting a line may vanish and leave a block without text.
    QTest::newRow("UTF-16, lone last byte")
        << marked(QStringConverter::Utf16LE, u"字\r\n"_qs) + "x"
        << unsavable(2, QString(QChar::ReplacementCharacter)) << QByteArray();
    QTest::newRow("UTF-16, U+FEFF starting a line")
        << marked(QStringConverter::Utf16LE, u"字\r\n\uFEFF"_qs) << unsavable(2, u"\uFEFF"_qs)
        << QByteArray();
    QTest::newRow("UTF-8, U+FEFF starting a line")
        << u"字\r\n\uFEFF字"_qs.toUtf8() << unsavable(2, u"\uFEFF"_qs) << QByteArray();
}

void TestConversionRun::sources()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, outcome);
    QFETCH(QByteArray, document);
    writeFile(path(u"in.txt"_qs), source);
    writeFile(path(u"out.utf"_qs), "old output");

    run(path(u"in.txt"_qs), path(u"out.utf"_qs));

    QCOMPARE(entries(), (QStringList { u"in.txt"_qs, u"out.utf"_qs }));
    if (outcome != finished) {
        QCOMPARE(m_services.messages(), (QStringList { overwrite, outcome, u"end"_qs }));
        QCOMPARE(readFile(path(u"out.utf"_qs)), QByteArray("old output"));
        return;
    }
    QCOMPARE(m_services.messages(), (QStringList { overwrite, finished }));
    QCOMPARE(readFile(path(u"out.utf"_qs)), document);
    QCOMPARE(m_services.calls.contains(u"show"_qs), !document.isEmpty());
    QCOMPARE(m_services.calls.last(), u"hide"_qs);
}

void TestConversionRun::lineCountLimit_data()
{
    QTest::addColumn<int>("lines");
    QTest::newRow("32767 lines convert") << 32767;
    QTest::newRow("32768 lines overflow") << 32768;
    QTest::newRow("40000 lines overflow") << 40000;
}

void TestConversionRun::lineCountLimit()
{
    QFETCH(int, lines);
    writeFile(path(u"in.txt"_qs), linesOf(lines, "a"));
    writeFile(path(u"out.utf"_qs), "old output");

    run(path(u"in.txt"_qs), path(u"out.utf"_qs));

    if (lines <= 32767) {
        QCOMPARE(m_services.messages(), (QStringList { overwrite, finished }));
        QVERIFY(readFile(path(u"out.utf"_qs))
                    .endsWith("32767\r\n"
                              "04:33:15,440 --> 04:33:15,940\r\na\r\n\r\n"));
        QCOMPARE(m_services.calls.at(m_services.calls.size() - 3), u"pos 32767"_qs);
    } else {
        const QStringList messages = m_services.messages();
        QCOMPARE(messages.size(), 2);
        QVERIFY2(messages.at(1).startsWith(u"failure ") && messages.at(1).contains(u"32767"),
                 qPrintable(messages.at(1)));
        QVERIFY(!m_services.calls.contains(u"show"_qs));
        QCOMPARE(readFile(path(u"out.utf"_qs)), QByteArray("old output"));
    }
}

void TestConversionRun::progressSequence()
{
    writeFile(path(u"in.txt"_qs), "\r\nab\r\n\r\nc\r\n\r\n");

    run(path(u"in.txt"_qs), path(u"out.utf"_qs));

    QCOMPARE(m_services.calls,
             (QStringList { u"show"_qs, u"max 5"_qs, u"min 1"_qs, u"pos 2"_qs, u"show"_qs,
                            u"max 5"_qs, u"min 1"_qs, u"pos 4"_qs, finished, u"hide"_qs }));
}

void TestConversionRun::writeFailures_data()
{
    QTest::addColumn<QString>("output");
    QTest::newRow("folder missing") << u"missing/out.utf"_qs;
    QTest::newRow("output is a folder") << u"folder"_qs;
}

void TestConversionRun::writeFailures()
{
    QFETCH(QString, output);
    writeFile(path(u"in.txt"_qs), "ab\r\n");
    QVERIFY(QDir(m_dir->path()).mkdir(u"folder"_qs));
    const QStringList before = entries();

    run(path(u"in.txt"_qs), path(output));

    const QStringList messages = m_services.messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.at(0).startsWith(u"failure 无法写入文件 "_qs
                                       + QDir::toNativeSeparators(path(output)) + u"："_qs),
             qPrintable(messages.at(0)));
    QCOMPARE(entries(), before);
    QVERIFY(QDir(path(u"folder"_qs)).isEmpty());
}

QTEST_GUILESS_MAIN(TestConversionRun)
#include "test_conversion_run.moc"
