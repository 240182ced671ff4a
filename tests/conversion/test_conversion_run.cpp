// Whole runs as the user meets them: from a source's bytes to the document's
// bytes or the message that stops the run, and what is left on disk.

#include "conversion_run.h"
#include "line_timing.h"
#include "subtitle_document.h"
#include "test_support.h"

#include <QFileInfo>
#include <QStringEncoder>
#include <QTest>

#include <csignal>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace captiloom::conversion;

// Ends the suite, saying why, when a run waits on a FIFO or a device, before ctest gives up.
extern "C" void runBlocks(int)
{
    const char message[] =
        "The run still waits after 10 seconds: it blocks on a FIFO or a device\n";
    [[maybe_unused]] auto written = ::write(STDERR_FILENO, message, sizeof message - 1);
    ::_exit(1);
}

class TestConversionRun : public QObject
{
    Q_OBJECT
    std::optional<TemporaryFolder> m_folder;
    RecordingServices m_services;

    static QByteArray gbk(const QString &text) { return QStringEncoder("GBK").encode(text); }

    // Runs on `source` over an old, read-only output the user agrees to replace.
    void convert(const QByteArray &source, const QString &output = u"out.utf"_s)
    {
        QVERIFY(writeFile(u"in.txt"_s, source) && writeFile(output, "old"));
        QVERIFY(QFile::setPermissions(output, QFile::ReadOwner));
        RunConversion(u"in.txt"_s, output, m_services);
        QCOMPARE(m_folder->entries(), (QStringList { u"in.txt"_s, output }));
        QCOMPARE(readFile(u"in.txt"_s), source);
    }
    void checkRun(const QString &output)
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, outcome);
        QFETCH(QByteArray, document);
        convert(source, output);
        const bool finished = outcome == shown::finished;
        QCOMPARE(m_services.messages.join(u'\n'),
                 shown::overwrite + u'\n' + outcome + (finished ? u""_s : u"\nend"_s));
        QCOMPARE(readFile(output), finished ? document : QByteArray("old"));
        QVERIFY(!finished || m_services.calls.contains(u"show"_s) == !document.isEmpty());
        QCOMPARE(m_services.calls.last() == u"hide", finished);
    }

private slots:
    void init()
    {
        m_folder.emplace();
        m_services = RecordingServices();
        QVERIFY(m_folder->isValid());
    }
    // An ordinary user cannot empty a folder that may not be written.
    void cleanup()
    {
        QFile::setPermissions(m_folder->filePath(u"locked"_s),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // 64 MiB without a line break, sparse: the run's memory does not grow. First, so that no
    // other test has raised the peak it is measured by.
    void lineOfManyMegabytes()
    {
        QVERIFY(writeFile(u"in.txt"_s, {}) && QFile::resize(u"in.txt"_s, 64 << 20));
        rusage before, after;
        QVERIFY(::getrusage(RUSAGE_SELF, &before) == 0);
        RunConversion(u"in.txt"_s, u"out.utf"_s, m_services);
        QVERIFY(::getrusage(RUSAGE_SELF, &after) == 0);
        QCOMPARE_LT(after.ru_maxrss - before.ru_maxrss, 32 * 1024); // KiB
        QCOMPARE(m_services.messages, (QStringList { shown::tooLong.arg(1), u"end"_s }));
        QCOMPARE(m_folder->entries(), QStringList { u"in.txt"_s });
    }

    void sources_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("outcome"); // finished, or the message that stops the run
        QTest::addColumn<QByteArray>("document");
        using namespace shown;
        const QByteArray first = "00:00:12,440 --> 00:00:13,440";
        // Halves go to the even neighbour (14 -> 3.5 -> 4, 18 -> 4.5 -> 4,
        // 22 -> 5.5 -> 6); from 13 characters on, the long-line rule.
        const int seconds[] = { 1, 1, 1, 1, 2, 2, 2, 3, 3, 3, 3, 3, 4, 4, 4, 4, 4, 5, 5, 5, 6, 6 };
        const auto times = [](int startMs, int endMs) {
            const auto clock = [](int ms) {
                return QString::asprintf("%02d:%02d:%02d,%03d", ms / 3600000, ms / 60000 % 60,
                                         ms / 1000 % 60, ms % 1000);
            };
            return (clock(startMs) + u" --> "_s + clock(endMs)).toLatin1();
        };
        QString lengths;
        QByteArray timed;
        for (int n = 2, s = 12; n <= 23; s += seconds[n++ - 2]) {
            lengths += QString(n, u'字') + u"\r\n"_s;
            timed += block(n - 1, times(s * 1000 + 440, (s + seconds[n - 2]) * 1000 + 440),
                           gbk(QString(n, u'字')));
        }
        // The first 64 KiB the reader takes in are ASCII: the encoding is
        // only found in the last line, after them.
        const QByteArray ascii = QByteArray("a\r\n").repeated(21846);
        QByteArray asciiBlocks;
        for (int n = 1; n <= 21846; ++n)
            asciiBlocks += block(n, times(12440 + 500 * (n - 1), 12440 + 500 * n), "a");
        const QString longest(23, u'长');
        const QByteArray longestLast = asciiBlocks
            + block(21847, times(12440 + 500 * 21846, 18440 + 500 * 21846), gbk(longest));
        // The same text in every encoding gives the same document, in the code page.
        const QString text = u"中文字幕\r\n\r\nMixed 中文 line\r\n"_s;
        const QByteArray document = block(1, first, gbk(u"中文字幕"_s))
            + block(2, "00:00:15,440 --> 00:00:18,440", gbk(u"Mixed 中文 line"_s));
        // clang-format off
        QTest::newRow("worked example") << gbk(u"你好世界\r\n\r\na\r\n这是一个比较长的字幕行测试内容"_s) << finished
            << gbk(u"1\r\n00:00:12,440 --> 00:00:13,440\r\n你好世界\r\n\r\n2\r\n00:00:15,440 --> 00:00:15,940\r\na\r\n\r\n"
                   u"3\r\n00:00:15,940 --> 00:00:19,940\r\n这是一个比较长的字幕行测试内容\r\n\r\n"_s);
        // A blank line moves on two seconds and keeps the milliseconds.
        QTest::newRow("half seconds around a blank") << QByteArray("a\r\n\r\nb\r\nc") << finished << block(1, "00:00:12,440 --> 00:00:12,940", "a")
            + block(2, "00:00:14,940 --> 00:00:15,440", "b") + block(3, "00:00:15,440 --> 00:00:15,940", "c");
        QTest::newRow("every length from 2 to 23") << gbk(lengths) << finished << timed;
        QTest::newRow("UTF-8, every length from 2 to 23") << lengths.toUtf8() << finished << timed;
        QTest::newRow("UTF-8 only past 64 KiB, 23 characters") << ascii + longest.toUtf8() << finished << longestLast;
        QTest::newRow("GBK only past 64 KiB, 23 characters") << ascii + gbk(longest) << finished << longestLast;
        QTest::newRow("UTF-8 only past 64 KiB, 24 characters") << ascii + (longest + u'长').toUtf8() << tooLong.arg(21847) << QByteArray();
        QTest::newRow("empty source") << QByteArray() << finished << QByteArray();
        QTest::newRow("blank lines only") << QByteArray("\r\n\r\n\r") << finished << QByteArray();
        // A lone LF ends no line in a file that holds a CR; in one that holds
        // none, as Linux editors save them, LFs end the lines.
        QTest::newRow("LF stays in the line") << QByteArray("ab\r\nc\nd\n") << finished << block(1, first, "ab")
            + block(2, "00:00:13,440 --> 00:00:14,440", "c\nd\n");
        QTest::newRow("LF ends lines, last one unended") << QByteArray("\nab\n\ncd") << finished
            << block(1, "00:00:14,440 --> 00:00:15,440", "ab") + block(2, "00:00:17,440 --> 00:00:18,440", "cd");
        QTest::newRow("LF ends lines, 24 characters") << gbk(u"你好\n\n"_s + QString(24, u'长') + u"\n"_s) << tooLong.arg(3) << QByteArray();
        // Past the first read, a CR makes everything before it the first line.
        QTest::newRow("a CR after 40 000 LF lines") << QByteArray("a\n").repeated(40000) + "\r\nb" << tooLong.arg(1) << QByteArray();
        QTest::newRow("lone CR ends lines") << QByteArray("ab\rcd\r\rx") << finished << block(1, first, "ab")
            + block(2, "00:00:13,440 --> 00:00:14,440", "cd") + block(3, "00:00:16,440 --> 00:00:16,940", "x");
        QTest::newRow("spaces are not blank") << QByteArray("  \r\n\r") << finished << block(1, first, "  ");
        QTest::newRow("24 characters after a text and a blank") << gbk(u"你好\r\n\r\n"_s + QString(23, u'长') + u"x\r\nok"_s) << tooLong.arg(3) << QByteArray();
        // Bytes the code page cannot decode are copied, and each counts as a character.
        QTest::newRow("undecodable bytes kept") << QByteArray("a\xff\xfe\x80\r\n\x81\x30 and \x81") << finished
            << block(1, first, "a\xff\xfe\x80") + block(2, "00:00:13,440 --> 00:00:15,440", "\x81\x30 and \x81");
        QTest::newRow("undecodable last byte counts") << gbk(QString(22, u'满')) + "a\xc4" << tooLong.arg(1) << QByteArray();
        for (const auto &[encoding, bytes] : inEveryEncoding(text, gbk(text)))
            QTest::newRow(encoding) << bytes << finished << document;
        // 不 is U+4E0D: a CR's byte in either byte order, but no CR.
        const QByteArray crByte = block(1, first, gbk(u"不是"_s)) + block(2, "00:00:13,440 --> 00:00:14,440", gbk(u"不对"_s));
        QTest::newRow("UTF-16 LE, 不") << marked(QStringConverter::Utf16LE, u"不是\r\n不对"_s) << finished << crByte;
        QTest::newRow("UTF-16 BE, 不") << marked(QStringConverter::Utf16BE, u"不是\r\n不对"_s) << finished << crByte;
        // 上 is U+4E0A, an LF's byte: in a file without CRs, 不 and 上 end no line.
        const QByteArray lfByte = block(1, first, gbk(u"不上"_s)) + block(2, "00:00:13,440 --> 00:00:13,940", gbk(u"对"_s));
        QTest::newRow("UTF-16 LE, 不上, LF") << marked(QStringConverter::Utf16LE, u"不上\n对"_s) << finished << lfByte;
        QTest::newRow("UTF-16 BE, 不上, LF") << marked(QStringConverter::Utf16BE, u"不上\n对"_s) << finished << lfByte;
        // Short GBK texts that happen to be valid UTF-8 stay GBK, a UTF-8 mark's bytes too.
        QTest::newRow("GBK 联通") << gbk(u"联通"_s) << finished << block(1, first, gbk(u"联通"_s));
        QTest::newRow("GBK 锘客") << gbk(u"锘客"_s) << finished << block(1, first, gbk(u"锘客"_s));
        // Found before the later line that is too long.
        QTest::newRow("UTF-8 emoji") << QString(u"第一行\r\n\r\n表情😀\r\n"_s + QString(24, u'长')).toUtf8() << unsavable.arg(3).arg(u"😀"_s) << QByteArray();
        // A line both too long and unsavable is too long, whatever it holds.
        QTest::newRow("UTF-8, too long and unsavable") << (QString(22, u'长') + u"😀"_s).toUtf8() << tooLong.arg(1) << QByteArray();
        // Each line is decoded on its own: neither a lone last byte nor a
        // U+FEFF starting a line may vanish and leave a block without text.
        QTest::newRow("UTF-16, lone last byte") << marked(QStringConverter::Utf16LE, u"字\r\n"_s) + "x" << unsavable.arg(2).arg(u"\uFFFD"_s) << QByteArray();
        QTest::newRow("UTF-16, U+FEFF starting a line") << marked(QStringConverter::Utf16BE, u"字\r\n\uFEFF"_s) << unsavable.arg(2).arg(u"\uFEFF"_s) << QByteArray();
        // clang-format on
    }
    // A name that holds ".srt" without ending in it is a .utf file all the same.
    void sources() { checkRun(u"out.srt.utf"_s); }

    // An SRT file: the same blocks, the text in UTF-8, every line ended by LF.
    // Any character goes; bytes that form none stop the run.
    void srtSources_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QByteArray>("document");
        const QString text = u"你好世界\r\n\r\na\r\n堃喆玥珺，１２３ Ok！\r\n"_s;
        const auto utf8 = [](const QString &document) {
            return document.toUtf8();
        };
        const QString first = u"1\n00:00:12,440 --> 00:00:13,440\n"_s;
        // clang-format off
        for (const auto &[encoding, bytes] : inEveryEncoding(text, gbk(text)))
            QTest::newRow(encoding) << bytes << shown::finished << utf8(first + u"你好世界\n\n2\n00:00:15,440 --> 00:00:15,940\na\n\n"
                                                                        u"3\n00:00:15,940 --> 00:00:18,940\n堃喆玥珺，１２３ Ok！\n\n"_s);
        QTest::newRow("LF only, 片头") << gbk(u"片头\n"_s) << shown::finished << utf8(first + u"片头\n\n"_s);
        QTest::newRow("emoji") << u"表情😀"_s.toUtf8() << shown::finished << utf8(first + u"表情😀\n\n"_s);
        QTest::newRow("GBK, undecodable") << QByteArray("ab\r\n\r\n\x81\x30 and") << shown::undecodable.arg(3) << QByteArray();
        QTest::newRow("GBK, undecodable past 64 KiB") << QByteArray("a\r\n").repeated(21846) + "\xff" << shown::undecodable.arg(21847) << QByteArray();
        QTest::newRow("UTF-8 marked, undecodable") << marked(QStringConverter::Utf8, u"字\r\n"_s) + "\xff" << shown::undecodable.arg(2) << QByteArray();
        QTest::newRow("UTF-16, lone last byte") << marked(QStringConverter::Utf16LE, u"字\r\n"_s) + "x" << shown::undecodable.arg(2) << QByteArray();
        QTest::newRow("UTF-16, lone surrogate") << QByteArray("\xff\xfe\x57\x5b\r\0\n\0\0\xd8", 10) << shown::undecodable.arg(2) << QByteArray();
        QTest::newRow("too long and undecodable") << QByteArray(23, 'a') + "\xff" << shown::tooLong.arg(1) << QByteArray();
        // clang-format on
    }
    void srtSources() { checkRun(u"out.SRT"_s); }

    // The line counter's limit: each text line sets the bar to its number among all lines, up
    // to 32 767; one more is found while counting, also where the first 64 KiB read ends just
    // after the 32 767th line end. A last terminator starts no line, nor does a cut-off LF.
    void lineCountLimit_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("end"); // the last calls
        const QString tooMany = u"failure 源文件 in.txt 超过 32767 行，无法转换。"_s;
        const QString last = u"show,max 32767,min 1,pos 32767,"_s + shown::finished + u",hide"_s;
        const QByteArray lines = QByteArray("a\r\n").repeated(32766);
        QTest::newRow("32767") << "\r\n" + lines << last;
        QTest::newRow("32767, LF") << "\n" + QByteArray("a\n").repeated(32766) << last;
        QTest::newRow("LF cut by the first read") << "\r\n" + QByteArray("a\r\n").repeated(21845)
                                                  << u"pos 21846,"_s + shown::finished + u",hide"_s;
        QTest::newRow("32768") << "\r\n" + lines + "a\r\n" << shown::overwrite + u',' + tooMany;
        QTest::newRow("32768, the read ends after 32767")
            << "ab" + QByteArray("\r\n").repeated(32767) + "x" << shown::overwrite + u',' + tooMany;
    }
    void lineCountLimit()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, end);
        convert(source);
        QCOMPARE(m_services.calls.mid(m_services.calls.size() - end.count(u',') - 1).join(u','),
                 end);
    }

    // Times that take a run many lines to reach, or more than a source may hold.
    void blockLayout()
    {
        DocumentWriter document;
        document.appendBlock(10, { TimeText(359999), 5 }, { TimeText(360000), 5 }, "x");
        document.appendBlock(32767, { TimeText(3599999), 940 }, { TimeText(3600000), 940 }, "y");
        QCOMPARE(document.take(),
                 block(10, "99:59:59,005 --> 100:00:00,005", "x")
                     + block(32767, "999:59:59,940 --> 1000:00:00,940", "y"));
    }

    // A timing gives each non-blank line its times, with where it stands in the source; it is
    // asked only once every line is fit to be written; a failure, or a time short, writes nothing.
    void timedRun_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("failure"); // the timing's
        QTest::addColumn<QString>("asked"); // the lines the timing was given
        QTest::addColumn<QString>("messages");
        QTest::addColumn<QByteArray>("document");
        const QByteArray source = "\r\n\xb5\xda\xd2\xbb\xd0\xd0\r\n\r\n\r\nReelvane \r\n\r\n";
        const QString asked = u"2 1 第一行|5 2 Reelvane "_s;
        const QString finished = shown::overwrite + u'\n' + shown::finished;
        // clang-format off
        QTest::newRow("timed") << source << QString() << asked << finished
            << block(1, "00:00:00,000 --> 00:00:00,999", "\xb5\xda\xd2\xbb\xd0\xd0") + block(2, "00:00:01,000 --> 01:00:00,005", "Reelvane ");
        QTest::newRow("timing fails") << source << u"录音不对"_s << asked << shown::overwrite + u"\n录音不对|<app>"_s << QByteArray("old");
        QTest::newRow("line too long") << source + QByteArray(24, 'x') << QString() << QString() << shown::overwrite + u'\n' + shown::tooLong.arg(7) + u"\nend"_s << QByteArray("old");
        QTest::newRow("no lines") << QByteArray("\r\n") << QString() << QString() << finished << QByteArray();
        QTest::newRow("a time short") << source + "x" << QString() << asked + u"|7 1 x"_s << shown::overwrite + u"\n|<app>"_s << QByteArray("old");
        // clang-format on
    }
    void timedRun()
    {
        struct FakeTiming : LineTiming
        {
            QString failure;
            QStringList asked;
            Timing timesFor(const QList<TimedLine> &lines) override
            {
                for (const TimedLine &line : lines)
                    asked
                        << u"%1 %2 %3"_s.arg(line.sourceLine).arg(line.blanksBefore).arg(line.text);
                if (!failure.isEmpty())
                    return { {}, failure };
                return { QList<LineTime> { { 0, 999, true }, { 1000, 3600005, false } }.first(
                             std::min<qsizetype>(lines.size(), 2)),
                         {} };
            }
        } timing;
        QFETCH(QByteArray, source);
        QFETCH(QString, failure);
        timing.failure = failure;
        QVERIFY(writeFile(u"in.txt"_s, source) && writeFile(u"out.utf"_s, "old"));
        RunConversion(u"in.txt"_s, u"out.utf"_s, m_services, timing);
        QTEST(timing.asked.join(u'|'), "asked");
        QTEST(m_services.messages.join(u'\n'), "messages");
        QTEST(readFile(u"out.utf"_s), "document");
    }

    // Every way a run ends without writing: refused, a source changed or unreadable between
    // the passes, a write that fails (a size limit holds for root too; a FIFO is neither
    // waited on nor replaced). The user is told why; every file stays as it was, marks too.
    void nothingWritten_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("messages");
        using namespace shown;
        const QString cannotWrite = u"failure 无法写入文件 %1："_s;
        const QString changed =
            u"failure 源文件 %1 在转换过程中被改动，没有生成字幕文件，请重新转换。"_s;
        // clang-format off
        QTest::newRow("no source") << QString() << u"out.utf"_s << noSource;
        QTest::newRow("no output") << u"in.txt"_s << QString() << noOutput;
        QTest::newRow("nothing chosen") << QString() << QString() << noSource;
        QTest::newRow("source absent") << u"absent.txt"_s << u"out.utf"_s << sourceMissing;
        QTest::newRow("source is a folder") << u"folder"_s << u"out.utf"_s << sourceMissing;
        QTest::newRow("source is a device") << u"/dev/zero"_s << u"out.utf"_s << sourceMissing;
        QTest::newRow("No to the question") << u"in.txt"_s << u"out.utf"_s << overwrite;
        QTest::newRow("same text") << u"in.txt"_s << u"in.txt"_s << sameFile;
        QTest::newRow("dot") << u"in.txt"_s << u"./in.txt"_s << sameFile;
        QTest::newRow("dot-dot") << u"in.txt"_s << u"folder/../in.txt"_s << sameFile;
        QTest::newRow("symbolic link") << u"in.txt"_s << u"link.utf"_s << sameFile;
        QTest::newRow("hard link, SRT") << u"in.txt"_s << u"hard.srt"_s << sameFile;
        // A regular file whose first read fails: nothing is mapped at address 0.
        QTest::newRow("unreadable source") << u"/proc/self/mem"_s << u"new.utf"_s << u"failure 无法读取文件 /proc/self/mem："_s + qt_error_string(EIO);
        // The disk fails while the lines are handed out: the system's reason, not a changed source.
        QTest::newRow("read fails in the second pass") << u"failing.txt"_s << u"new.utf"_s << u"failure 无法读取文件 failing.txt："_s + qt_error_string(EIO);
        QTest::newRow("source cut short") << u"cut.txt"_s << u"new.utf"_s << changed.arg(u"cut.txt");
        QTest::newRow("source grown") << u"grown.txt"_s << u"new.utf"_s << changed.arg(u"grown.txt");
        QTest::newRow("too big") << u"big.txt"_s << u"new.utf"_s << cannotWrite.arg(u"new.utf") + qt_error_string(EFBIG);
        QTest::newRow("too big, read-only old output") << u"big.txt"_s << u"out.utf"_s << overwrite + u'\n' + cannotWrite.arg(u"out.utf") + qt_error_string(EFBIG);
        QTest::newRow("output is a FIFO") << u"in.txt"_s << u"fifo"_s << cannotWrite.arg(u"fifo") + u"不是普通文件"_s;
        QTest::newRow("source is a FIFO") << u"fifo"_s << u"out.utf"_s << sourceMissing;
        QTest::newRow("source the user may not read") << u"secret.txt"_s << u"new.utf"_s << u"failure 无法打开文件 secret.txt："_s + qt_error_string(EACCES);
        // The old output's read-only mark is lifted, then put back.
        QTest::newRow("folder the user may not write") << u"in.txt"_s << u"locked/out.utf"_s << overwrite + u'\n' + cannotWrite.arg(u"locked/out.utf") + qt_error_string(EACCES);
        // clang-format on
    }
    void nothingWritten()
    {
        QFETCH(QString, source);
        QFETCH(QString, output);
        QFETCH(QString, messages);
        if ((source == u"secret.txt" || output.startsWith(u"locked/")) && ::geteuid() == 0)
            QSKIP("root may read and write it all the same");
        QVERIFY(writeFile(u"in.txt"_s, "text") && writeFile(u"out.utf"_s, "old"));
        const QByteArray big = QByteArray("abc\r\n").repeated(19999) + "abc"; // 900 kB of blocks
        for (const QString &name : { u"big.txt"_s, u"cut.txt"_s, u"grown.txt"_s, u"failing.txt"_s })
            QVERIFY(writeFile(name, big));
        m_services.duringFirstProgress = [&] {
            QFile file(source);
            QVERIFY(source != u"cut.txt" || file.resize(1000));
            QVERIFY(source != u"grown.txt"
                    || (file.open(QIODevice::Append) && file.write("x") == 1));
            // The open source's descriptor now reads /proc/self/mem, where
            // nothing is mapped at its start.
            const QDir descriptors(u"/proc/self/fd"_s);
            for (const QFileInfo &fd : descriptors.entryInfoList(QDir::AllEntries | QDir::System)) {
                if (source == u"failing.txt"
                    && fd.symLinkTarget() == QFileInfo(source).canonicalFilePath()) {
                    const int mem = ::open("/proc/self/mem", O_RDONLY);
                    QVERIFY(::dup2(mem, fd.fileName().toInt()) >= 0 && ::close(mem) == 0);
                }
            }
        };
        QVERIFY(QFile::setPermissions(u"out.utf"_s, QFile::ReadOwner) && QDir().mkdir(u"folder"_s));
        QVERIFY(QFile::link(u"in.txt"_s, u"link.utf"_s) && ::link("in.txt", "hard.srt") == 0);
        QCOMPARE(::mkfifo("fifo", 0600), 0);
        QVERIFY(writeFile(u"secret.txt"_s, "text") && QFile::setPermissions(u"secret.txt"_s, {}));
        QVERIFY(QDir().mkdir(u"locked"_s) && writeFile(u"locked/out.utf"_s, "old"));
        QVERIFY(QFile::setPermissions(u"locked/out.utf"_s, QFile::ReadOwner));
        QVERIFY(QFile::setPermissions(u"locked"_s, QFile::ReadOwner | QFile::ExeOwner));
        const QStringList before = m_folder->entries();
        const QFile::Permissions permissions = QFile::permissions(u"out.utf"_s);
        m_services.answers = { messages == shown::overwrite ? Services::Answer::No
                                                            : Services::Answer::Yes };
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of ending the process
        rlimit limit;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit small { 512 * 1024, limit.rlim_max };
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        std::signal(SIGALRM, runBlocks);
        ::alarm(10);
        RunConversion(source, output, m_services);
        ::alarm(0);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        QCOMPARE(m_services.messages.join(u'\n'), messages);
        QCOMPARE(m_folder->entries(), before);
        QCOMPARE(readFile(u"in.txt"_s) + readFile(u"out.utf"_s), "textold");
        QCOMPARE(QFile::permissions(u"out.utf"_s), permissions);
        QCOMPARE(QDir(u"locked"_s).entryList(QDir::Files | QDir::Hidden),
                 QStringList { u"out.utf"_s });
        QCOMPARE(readFile(u"locked/out.utf"_s), "old");
        QCOMPARE(QFile::permissions(u"locked/out.utf"_s), permissions);
        QVERIFY(!QFileInfo(u"fifo"_s).isFile());
    }
};

QTEST_GUILESS_MAIN(TestConversionRun)
#include "test_conversion_run.moc"
