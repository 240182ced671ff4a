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
    void tooLongLine_data();
    void tooLongLine();
    void lineCountLimit_data();
    void lineCountLimit();
    void documents_data();
    void documents();
    void progressSequence();
    void writeFailures_data();
    void writeFailures();
    void sameTextInEveryEncoding_data();
    void sameTextInEveryEncoding();
    void unsavableCharacter();
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

void TestConversionRun::tooLongLine_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<int>("line");
    const QByteArray longest = gbk(QString(23, u'长'));
    QTest::newRow("24 units") << gbk(QString(24, u'长')) << 1;
    QTest::newRow("23 Chinese and a Latin letter") << longest + "a" << 1;
    QTest::newRow("third, after a blank") << gbk(u"你好\r\n\r\n"_qs) + longest + "x\r\nok" << 3;
    QTest::newRow("LF-only source is one line") << linesOf(12, "ab").replace("\r\n", "\n") << 1;
    QTest::newRow("after many short lines") << linesOf(500, "ok") + longest + "!" << 501;
}

void TestConversionRun::tooLongLine()
{
    QFETCH(QByteArray, source);
    QFETCH(int, line);
    writeFile(path(u"in.txt"_qs), source);
    writeFile(path(u"out.utf"_qs), "old output");

    run(path(u"in.txt"_qs), path(u"out.utf"_qs));

    QCOMPARE(m_services.messages(), (QStringList { overwrite, tooLong(line), u"end"_qs }));
    QCOMPARE(readFile(path(u"out.utf"_qs)), QByteArray("old output"));
    QCOMPARE(entries().size(), 2);
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

// Whole documents, byte for byte, from sources of every shape of line.
void TestConversionRun::documents_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("document");
    QTest::newRow("worked example")
        << gbk(u"你好世界\r\n\r\na\r\n这是一个比较长的字幕行测试内容"_qs)
        << gbk(u"1\r\n00:00:12,440 --> 00:00:13,440\r\n你好世界\r\n\r\n"
               "2\r\n00:00:15,440 --> 00:00:15,940\r\na\r\n\r\n"
               "3\r\n00:00:15,940 --> 00:00:19,940\r\n这是一个比较长的字幕行测试内容\r\n\r\n"_qs);
    QTest::newRow("empty source") << QByteArray() << QByteArray();
    QTest::newRow("blank lines only") << QByteArray("\r\n\r\n\r") << QByteArray();
    QTest::newRow("LF-only source is one line")
        << QByteArray("ab\ncd\n")
        << QByteArray("1\r\n00:00:12,440 --> 00:00:14,440\r\nab\ncd\n\r\n\r\n");
    QTest::newRow("lone CR ends lines")
        << QByteArray("ab\rcd\r\rx")
        << QByteArray("1\r\n00:00:12,440 --> 00:00:13,440\r\nab\r\n\r\n"
                      "2\r\n00:00:13,440 --> 00:00:14,440\r\ncd\r\n\r\n"
                      "3\r\n00:00:16,440 --> 00:00:16,940\r\nx\r\n\r\n");
    QTest::newRow("spaces are not blank, CR LF CR")
        << QByteArray("  \r\n\r") << QByteArray("1\r\n00:00:12,440 --> 00:00:13,440\r\n  \r\n\r\n");
    QTest::newRow("arrows and commas copied")
        << QByteArray(" 1,2 --> 3 ")
        << QByteArray("1\r\n00:00:12,440 --> 00:00:15,440\r\n 1,2 --> 3 \r\n\r\n");
}

void TestConversionRun::documents()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, document);
    writeFile(path(u"in.txt"_qs), source);

    run(path(u"in.txt"_qs), path(u"out.utf"_qs));

    QCOMPARE(readFile(path(u"out.utf"_qs)), document);
    QCOMPARE(m_services.messages(), QStringList { finished });
    QCOMPARE(m_services.calls.contains(u"show"_qs), !document.isEmpty());
    QCOMPARE(m_services.calls.last(), u"hide"_qs);
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

void TestConversionRun::sameTextInEveryEncoding_data()
{
    const QString text =
        u"第一行字幕\r\n\r\n二十三个字的一行字幕正好不算太长也不算太短吧啊\r\nMixed 中文 line\r\n"_qs;
    const auto utf16 = [&](QStringConverter::Encoding encoding) {
        QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
        return QByteArray(encoder.encode(text));
    };
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("document");
    const QByteArray document =
        gbk(u"1\r\n00:00:12,440 --> 00:00:13,440\r\n第一行字幕\r\n\r\n"
            "2\r\n00:00:15,440 --> "
            "00:00:21,440\r\n二十三个字的一行字幕正好不算太长也不算太短吧啊\r\n\r\n"
            "3\r\n00:00:21,440 --> 00:00:24,440\r\nMixed 中文 line\r\n\r\n"_qs);
    QTest::newRow("GBK") << gbk(text) << document;
    QTest::newRow("UTF-8") << text.toUtf8() << document;
    QTest::newRow("UTF-8 with a mark") << "\xEF\xBB\xBF" + text.toUtf8() << document;
    QTest::newRow("UTF-16 LE") << utf16(QStringConverter::Utf16LE) << document;
    QTest::newRow("UTF-16 BE") << utf16(QStringConverter::Utf16BE) << document;
    // The mark is not part of the first line, so a marked blank line stays blank.
    QTest::newRow("UTF-8 mark on a blank line") << "\xEF\xBB\xBF\r\n"
            + u"中文"_qs.toUtf8() << gbk(u"1\r\n00:00:14,440 --> 00:00:15,440\r\n中文\r\n\r\n"_qs);
    QTest::newRow("ASCII reads the same either way")
        << QByteArray("plain\r\n")
        << QByteArray("1\r\n00:00:12,440 --> 00:00:13,440\r\nplain\r\n\r\n");
    // Short GBK texts that happen to look like other encodings stay GBK.
    QTest::newRow("GBK 联通") << gbk(u"联通"_qs)
                              << gbk(u"1\r\n00:00:12,440 --> 00:00:13,440\r\n联通\r\n\r\n"_qs);
    QTest::newRow("GBK 联") << gbk(u"联"_qs)
                            << gbk(u"1\r\n00:00:12,440 --> 00:00:12,940\r\n联\r\n\r\n"_qs);
}

void TestConversionRun::sameTextInEveryEncoding()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, document);
    writeFile(path(u"in.txt"_qs), source);

    run(path(u"in.txt"_qs), path(u"out.utf"_qs));

    QCOMPARE(m_services.messages(), QStringList { finished });
    QCOMPARE(readFile(path(u"out.utf"_qs)), document);
}

void TestConversionRun::unsavableCharacter()
{
    writeFile(path(u"in.txt"_qs),
              u"第一行\r\n\r\n表情😀\r\n"_qs.toUtf8() + QString(24, u'长').toUtf8());
    writeFile(path(u"out.utf"_qs), "old output");

    run(path(u"in.txt"_qs), path(u"out.utf"_qs));

    QCOMPARE(m_services.messages(), (QStringList { overwrite, unsavable(3, u"😀"_qs), u"end"_qs }));
    QCOMPARE(readFile(path(u"out.utf"_qs)), QByteArray("old output"));
    QCOMPARE(entries().size(), 2);

    // The length limit counts characters of a UTF-8 source, not its bytes.
    m_services = RecordingServices();
    writeFile(path(u"in.txt"_qs),
              QString(23, u'长').toUtf8() + "\r\n" + QString(24, u'长').toUtf8());
    run(path(u"in.txt"_qs), path(u"out.utf"_qs));
    QCOMPARE(m_services.messages(), (QStringList { overwrite, tooLong(2), u"end"_qs }));
}

QTEST_GUILESS_MAIN(TestConversionRun)
#include "test_conversion_run.moc"
