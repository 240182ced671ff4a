// Sources too big for a table row: thousands of lines of random bytes, and a
// quarter of a gigabyte without a line break, each ending with the right
// message and memory that does not grow with the file. The small hostile
// sources (NUL bytes, undecodable bytes at the length limit, stray marks) are
// rows of test_conversion_run's sources table.

#include "run_test_support.h"

#include <QRandomGenerator>

using namespace captiloom::conversion;
using namespace runtest;

namespace {

// The text lines of a document whose texts hold no CR.
QList<QByteArray> textLines(const QByteArray &document)
{
    QList<QByteArray> texts;
    qsizetype from = 0;
    for (int line = 0;; ++line) {
        const qsizetype end = document.indexOf("\r\n", from);
        if (end < 0)
            return texts;
        if (line % 4 == 2)
            texts << document.mid(from, end - from);
        from = end + 2;
    }
}

qint64 statusKiB(QByteArrayView field)
{
    QFile status(u"/proc/self/status"_qs);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

class TestHostileSources : public RunFixture
{
    Q_OBJECT

private slots:
    void randomBytes();
    void quarterGigabyteWithoutLineBreak();

private:
    // Runs on `source` with an old output the user agrees to replace; no
    // other file may be left beside the two.
    void convert(const QByteArray &source)
    {
        writeFile(path(u"in.txt"_qs), source);
        writeFile(path(u"out.utf"_qs), "old output");
        m_services = RecordingServices();
        run(path(u"in.txt"_qs), path(u"out.utf"_qs));
        QCOMPARE(entries(), (QStringList { u"in.txt"_qs, u"out.utf"_qs }));
    }
};

// Random bytes, CR left out so that the line lengths are known: lines of at
// most 23 bytes are at most 23 characters in any decoding and must come out
// byte for byte; a line of 48 bytes is at least 24 characters.
void TestHostileSources::randomBytes()
{
    QRandomGenerator random(20240501);
    QByteArray source = "a\r\n"; // no byte-order mark by chance
    QList<QByteArray> texts { "a" };
    for (int i = 0; i < 5000; ++i) {
        QByteArray line(random.bounded(24), Qt::Uninitialized);
        for (char &byte : line) {
            do
                byte = static_cast<char>(random.bounded(256));
            while (byte == '\r');
        }
        source += line + "\r\n";
        if (!line.isEmpty())
            texts << line;
    }

    convert(source);
    QCOMPARE(m_services.messages(), (QStringList { overwrite, finished }));
    QCOMPARE(textLines(readFile(path(u"out.utf"_qs))), texts);

    QByteArray tooLongLine(48, 'x');
    for (char &byte : tooLongLine)
        byte = static_cast<char>(random.bounded(14, 256));
    convert(source + tooLongLine + "\r\nb");
    QCOMPARE(m_services.messages(), (QStringList { overwrite, tooLong(5002), u"end"_qs }));
    QCOMPARE(readFile(path(u"out.utf"_qs)), QByteArray("old output"));
}

// 256 MiB of NUL bytes without a line break, made sparse so that it costs no
// disk: the run keeps only the start of the line and memory does not grow
// with the file.
void TestHostileSources::quarterGigabyteWithoutLineBreak()
{
    writeFile(path(u"in.txt"_qs), {});
    QVERIFY(QFile::resize(path(u"in.txt"_qs), qint64(256) << 20));
    writeFile(path(u"out.utf"_qs), "old output");
    // Writing 5 there resets the peak resident size (Linux 4.0 and later).
    QFile clear(u"/proc/self/clear_refs"_qs);
    const bool peakReset = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
    clear.close();
    const qint64 before = statusKiB("VmRSS:");

    run(path(u"in.txt"_qs), path(u"out.utf"_qs));

    const qint64 growth = statusKiB("VmHWM:") - before;
    QCOMPARE(m_services.messages(), (QStringList { overwrite, tooLong(1), u"end"_qs }));
    QCOMPARE(readFile(path(u"out.utf"_qs)), QByteArray("old output"));
    if (!peakReset || before < 0)
        QSKIP("the peak memory of this process cannot be reset and read here");
    QVERIFY2(growth < 32 * 1024, qPrintable(u"memory grew by %1 KiB"_qs.arg(growth)));
}

QTEST_GUILESS_MAIN(TestHostileSources)
#include "test_hostile_sources.moc"
