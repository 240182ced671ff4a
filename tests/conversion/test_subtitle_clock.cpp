#include "subtitle_clock.h"
#include "subtitle_document.h"

#include <QTest>

using namespace captiloom::conversion;

class TestSubtitleClock : public QObject
{
    Q_OBJECT

private slots:
    void durations_data();
    void durations();
    void halfSecondFlips_data();
    void halfSecondFlips();
    void carries_data();
    void carries();
    void documentWriter_data();
    void documentWriter();
};

void TestSubtitleClock::durations_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("seconds");
    // Every length a run accepts. Halves go to the even neighbour: 14 units
    // give 3.5 -> 4, 18 give 4.5 -> 4, 22 give 5.5 -> 6.
    const int expected[] = { 0, 1, 1, 1, 1, 2, 2, 2, 3, 3, 3, 3, 3, 4, 4, 4, 4, 4, 5, 5, 5, 6, 6 };
    for (int n = 1; n <= 23; ++n)
        QTest::addRow("%d units", n) << n << expected[n - 1];
}

void TestSubtitleClock::durations()
{
    QFETCH(int, length);
    QFETCH(int, seconds);
    const QString line(length, u'字');
    QCOMPARE(LineSeconds(line), seconds);
    const ClockPair end = AdvanceForLine(TimeText(100), 440, line);
    if (seconds > 0) // one unit is the half-second rule's
        QCOMPARE(end, (ClockPair { TimeText(100 + seconds), 440 }));
}

void TestSubtitleClock::halfSecondFlips_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("startMs");
    QTest::addColumn<QString>("end");
    QTest::addColumn<int>("endMs");
    QTest::newRow("440 stays in its second") << u"00:00:15"_qs << 440 << u"00:00:15"_qs << 940;
    QTest::newRow("940 moves to the next") << u"00:00:15"_qs << 940 << u"00:00:16"_qs << 440;
    QTest::newRow("940 carries the hour") << u"00:59:59"_qs << 940 << u"01:00:00"_qs << 440;
}

void TestSubtitleClock::halfSecondFlips()
{
    QFETCH(QString, start);
    QFETCH(int, startMs);
    const ClockPair end = AdvanceForLine(*TimeText::parse(start), startMs, u"a");
    QTEST(end.time.toString(), "end");
    QTEST(end.ms, "endMs");
}

void TestSubtitleClock::carries_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("end");
    QTest::newRow("into minutes") << u"00:00:58"_qs << 3 << u"00:01:01"_qs;
    QTest::newRow("into hours") << u"00:59:58"_qs << 3 << u"01:00:01"_qs;
    QTest::newRow("past a day") << u"23:59:59"_qs << 2 << u"24:00:01"_qs;
    QTest::newRow("second day on") << u"25:59:58"_qs << 6 << u"26:00:04"_qs;
    QTest::newRow("three-digit hours") << u"99:59:59"_qs << 1 << u"100:00:00"_qs;
    QTest::newRow("five-digit hours") << u"12345:59:59"_qs << 1 << u"12346:00:00"_qs;
    QTest::newRow("before zero") << u"00:00:05"_qs << -10 << u"-00:00:05"_qs;
}

void TestSubtitleClock::carries()
{
    QFETCH(QString, start);
    QFETCH(int, seconds);
    const auto parsed = TimeText::parse(start);
    QVERIFY(parsed);
    QTEST(AddSeconds(*parsed, seconds).toString(), "end");
    if (seconds == 2)
        QTEST(AdvanceForBlank(*parsed).toString(), "end");
}

void TestSubtitleClock::documentWriter_data()
{
    // Room made ahead: none, less than a block, more than the whole document.
    QTest::addColumn<int>("expectedSize");
    QTest::newRow("no room") << 0;
    QTest::newRow("less than a block") << 10;
    QTest::newRow("more than enough") << 100000;
}

void TestSubtitleClock::documentWriter()
{
    QFETCH(int, expectedSize);
    QByteArray expected;
    DocumentWriter writer(expectedSize);
    ClockPair start { firstStartTime, firstStartMs };
    for (qint64 number = 1; number <= 300; ++number) {
        // Lines of every length up to 300 bytes, and clocks past 100 hours.
        const QByteArray line(number, char('a' + number % 26));
        const ClockPair end { AddSeconds(start.time, number * 1500), start.ms };
        AppendBlock(expected, number, start, end, line);
        writer.appendBlock(number, start, end, line);
        start = end;
    }
    QCOMPARE(writer.text(), expected);
}

QTEST_GUILESS_MAIN(TestSubtitleClock)
#include "test_subtitle_clock.moc"
