// What a run meets only on Windows: the ANSI code page without ICU, the file
// marks that stop a replacement, and other spellings of a file's name.

#include "conversion_run.h"
#include "test_support.h"

#include <QTest>

#include <windows.h>

constexpr DWORD allMarks = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

class TestWindowsFiles : public QObject
{
    Q_OBJECT
    std::optional<TemporaryFolder> m_folder;
    RecordingServices m_services;

private slots:
    void init()
    {
        m_folder.emplace();
        m_services = RecordingServices();
        QVERIFY2(m_folder->isValid() && GetACP() == 936, "needs the Chinese code page");
    }

    // Each run has an old output to replace; a write that fails (the old
    // output held open) leaves its text and marks as they were. The same file
    // under another name is refused before any question.
    void runs_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<DWORD>("marks"); // the old output's
        QTest::addColumn<bool>("held");
        QTest::addColumn<QString>("output"); // empty: the source's 8.3 short name
        QTest::addColumn<QString>("messages"); // up to a failure's reason
        QTest::addColumn<QByteArray>("document");
        using namespace shown;
        // clang-format off
        const QByteArray nihao = "\xC4\xE3\xBA\xC3\xCA\xC0\xBD\xE7"; // 你好世界
        const QByteArray one = "00:00:12,440 --> 00:00:13,440", half = "00:00:12,440 --> 00:00:12,940";
        const QString out = u"out.utf"_s, done = overwrite + u'\n' + finished, stop = overwrite + u'\n' + unsavable + u"\nend"_s;
        QTest::newRow("GBK") << nihao + "\r\n\r\na" << 0ul << false << out << done << block(1, one, nihao) + block(2, "00:00:15,440 --> 00:00:15,940", "a");
        // As Linux editors save it: LF ends the lines.
        QTest::newRow("GBK, LF only") << nihao + "\n\na\n" << 0ul << false << out << done << block(1, one, nihao) + block(2, "00:00:15,440 --> 00:00:15,940", "a");
        // A lead byte without its second byte is a character of its own.
        QTest::newRow("lead byte before CR, before ASCII") << QByteArray("\xC4\r\n\x81\x30\x81\x30\x81\x30") << 0ul << false << out << done
            << block(1, half, "\xC4") + block(2, "00:00:12,940 --> 00:00:14,940", "\x81\x30\x81\x30\x81\x30");
        QTest::newRow("lead byte at the end") << nihao + "a\xC4" << 0ul << false << out << done << block(1, "00:00:12,440 --> 00:00:14,440", nihao + "a\xC4");
        QTest::newRow("UTF-8") << u"€你好世界"_s.toUtf8() << 0ul << false << out << done << block(1, one, "\x80" + nihao);
        QTest::newRow("UTF-8 À, no look-alike") << u"你À"_s.toUtf8() << allMarks << false << out << stop.arg(1).arg(u"À"_s) << QByteArray("old");
        QTest::newRow("UTF-8 emoji") << u"你😀"_s.toUtf8() << 0ul << false << out << stop.arg(1).arg(u"😀"_s) << QByteArray("old");
        QTest::newRow("read-only, hidden, system") << QByteArray("a") << allMarks << false << out << done << block(1, half, "a");
        QTest::newRow("all three, held open") << QByteArray("a") << allMarks << true << out << overwrite + u"\nfailure 无法写入文件 out.utf"_s << QByteArray("old");
        QTest::newRow("source in other letter case") << QByteArray("a") << 0ul << false << u"片头字幕稿.TXT"_s << sameFile << QByteArray("old");
        QTest::newRow("source by its 8.3 short name") << QByteArray("a") << 0ul << false << QString() << sameFile << QByteArray("old");
        // clang-format on
    }
    void runs()
    {
        QFETCH(QByteArray, source);
        QFETCH(DWORD, marks);
        QFETCH(bool, held);
        QFETCH(QString, output);
        QFETCH(QByteArray, document);
        QVERIFY(writeFile(u"片头字幕稿.txt"_s, source) && writeFile(u"out.utf"_s, "old"));
        QVERIFY(SetFileAttributesW(L"out.utf", marks ? marks : FILE_ATTRIBUTE_NORMAL));
        const HANDLE h =
            CreateFileW(L"out.utf", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        QVERIFY(h != INVALID_HANDLE_VALUE && (held || CloseHandle(h)));
        wchar_t name[MAX_PATH];
        if (output.isEmpty())
            output =
                QString::fromWCharArray(name, GetShortPathNameW(L"片头字幕稿.txt", name, MAX_PATH));
        if (output.isEmpty() || output == u"片头字幕稿.txt")
            QSKIP("no 8.3 short name here");
        captiloom::conversion::RunConversion(u"片头字幕稿.txt"_s, output, m_services);
        QVERIFY(!held || CloseHandle(h));
        QTEST(m_services.messages.join(u'\n').section(u'：', 0, 0), "messages");
        QCOMPARE(readFile(u"片头字幕稿.txt"_s) + readFile(u"out.utf"_s), source + document);
        QCOMPARE(GetFileAttributesW(L"out.utf") & allMarks, document == "old" ? marks : 0);
        QCOMPARE(m_folder->entries(), (QStringList { u"out.utf"_s, u"片头字幕稿.txt"_s }));
    }
};

QTEST_GUILESS_MAIN(TestWindowsFiles)
#include "test_windows_files.moc"
