#include "code_page.h"
#include "line_decoder.h"
#include "line_reader.h"
#include "source_encoding.h"
#include "trickle_device.h"

#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace captiloom::platform;
using Terminator = LineReader::Terminator;

namespace {

// "text|terminator" per line: terminators shown as -, CR, CRLF; a cut line ends in "...".
QStringList split(const QByteArray &input, qint64 step, LineReader::UnitWidth width,
                  qsizetype keepLimit = 1024)
{
    TrickleDevice device(input, step);
    LineReader reader(device, keepLimit);
    reader.setUnitWidth(width);
    QStringList lines;
    LineReader::Line line;
    while (reader.readLine(line)) {
        const char *names[] = { "-", "CR", "CRLF" };
        QString text = QString::fromLatin1(line.bytes.toByteArray().toHex());
        if (line.cut)
            text += QStringLiteral("...%1").arg(line.length);
        lines << text + u'|' + QLatin1StringView(names[int(line.terminator)]);
    }
    return lines;
}

QByteArray gbk(const QString &text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

} // namespace

class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    void lineSplitting_data();
    void lineSplitting();
    void codePageDecoding();
    void linesDecodedAhead_data();
    void linesDecodedAhead();
    void codePageFromLocale_data();
    void codePageFromLocale();
};

void TestPlatform::lineSplitting_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("width");
    QTest::addColumn<QStringList>("lines");
    const int bytes = int(LineReader::UnitWidth::Byte);
    const int le = int(LineReader::UnitWidth::Utf16LittleEndian);
    const int be = int(LineReader::UnitWidth::Utf16BigEndian);
    QTest::newRow("empty") << QByteArray() << bytes << QStringList {};
    QTest::newRow("one line, no terminator")
        << QByteArray("ab") << bytes << QStringList { u"6162|-"_qs };
    QTest::newRow("final CR LF adds no line")
        << QByteArray("ab\r\n") << bytes << QStringList { u"6162|CRLF"_qs };
    QTest::newRow("lone CR, blank, LF inside")
        << QByteArray("a\r\r\nb\nc") << bytes
        << QStringList { u"61|CR"_qs, u"|CRLF"_qs, u"620a63|-"_qs };
    QTest::newRow("CR CR LF LF") << QByteArray("\r\r\n\n") << bytes
                                 << QStringList { u"|CR"_qs, u"|CRLF"_qs, u"0a|-"_qs };
    QTest::newRow("UTF-16 LE") << QByteArray("a\0\r\0\n\0\n\0\r\0b\0", 12) << le
                               << QStringList { u"6100|CRLF"_qs, u"0a00|CR"_qs, u"6200|-"_qs };
    // A CR byte that is half of another character ends nothing.
    QTest::newRow("UTF-16 LE, CR byte off the unit")
        << QByteArray("\r\x0a\0\r\0", 5) << le << QStringList { u"0d0a000d00|-"_qs };
    // Kept up to the limit, whether the line lies in one read or in many.
    QTest::newRow("cut line") << QByteArray(1500, 'a') + "\r\nb" << bytes
                              << QStringList { u"61"_qs.repeated(1024) + u"...1500|CRLF"_qs,
                                               u"62|-"_qs };
    QTest::newRow("UTF-16 BE with an odd last byte")
        << QByteArray("\0a\0\r\0\nx", 7) << be << QStringList { u"0061|CRLF"_qs, u"78|-"_qs };
}

void TestPlatform::lineSplitting()
{
    QFETCH(QByteArray, input);
    QFETCH(int, width);
    QFETCH(QStringList, lines);
    for (qint64 step : { 1, 2, 3, 1 << 20 }) {
        QCOMPARE(split(input, step, LineReader::UnitWidth(width)), lines);
        // Counting without splitting finds the same lines and reads every byte.
        TrickleDevice device(input, step);
        LineReader reader(device);
        reader.setUnitWidth(LineReader::UnitWidth(width));
        QCOMPARE(reader.countLines(1000), lines.size());
        QCOMPARE(reader.bytesConsumed(), input.size());
    }
}

void TestPlatform::linesDecodedAhead_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::newRow("GBK lines and blanks") << gbk(u"你好\r\n世界\r\n\r\n\r\n字幕行测试\r\n"_qs);
    QTest::newRow("half a character before CR")
        << QByteArray("\xC4\r\xC4\r\nab\xC4\r\n") + gbk(u"好"_qs);
    QTest::newRow("lone LF, lone CR, LF after CR LF") << QByteArray("a\nb\rc\r\n\n\r\n\r");
    QTest::newRow("bytes the code page lacks") << QByteArray("\x80\xFF\xFE\r\n\x81\x30\r\nz\xFF");
    QTest::newRow("half a character at the end") << QByteArray("ab\r\n\xC4");
    QTest::newRow("cut line among short ones")
        << QByteArray("a\r\n") + QByteArray(1500, 'b') + "\r\nc\r\n" + gbk(u"末行"_qs);
    // More than one read of the reader's buffer, lines falling across reads.
    QByteArray many;
    for (int i = 0; i < 7000; ++i)
        many += i % 9 == 0 ? QByteArray("\r\n") : gbk(u"第%1行字幕"_qs.arg(i)) + "\r\n";
    QTest::newRow("many lines") << many;
}

void TestPlatform::linesDecodedAhead()
{
    QFETCH(QByteArray, input);
    // Blank lines are skipped as the run skips them, or decoded too.
    for (const bool skipBlank : { true, false }) {
        for (qint64 step : { 1, 2, 3, 7, 1 << 20 }) {
            TrickleDevice device(input, step);
            LineReader reader(device);
            CodePage codePage("GBK");
            SourceDecoder decoder(SourceEncoding::CodePage, codePage);
            LineDecoder lines(reader, decoder);
            CodePage alone("GBK");
            QString expected;
            LineReader::Line line;
            int number = 0;
            while (reader.readLine(line)) {
                ++number;
                if (skipBlank && line.length == 0)
                    continue;
                const QString text = lines.decode(line).toString();
                alone.decodeLine(line.bytes, expected);
                QVERIFY2(text == expected,
                         qPrintable(u"line %1, read %2 bytes at a time"_qs.arg(number).arg(step)));
            }
        }
    }
}

void TestPlatform::codePageDecoding()
{
    CodePage codePage("GBK");
    QString text;
    // A lead byte with nothing after it is still one character.
    codePage.decodeLine(QByteArray(gbk(u"半个"_qs) + "\xC4"), text);
    QCOMPARE(text.size(), 3);
    codePage.decodeLine({}, text);
    QCOMPARE(text.size(), 0);

    QByteArray out;
    QCOMPARE(codePage.encode(u"字幕"_qs, out), std::nullopt);
    QCOMPARE(out, gbk(u"字幕"_qs));
    QCOMPARE(codePage.encode(u"好😀"_qs, out), std::optional<char32_t>(U'😀'));
    // One code page encodes line after line: a failure leaves nothing behind.
    QCOMPARE(codePage.encode(u"字幕"_qs, out), std::nullopt);
    QCOMPARE(out, gbk(u"字幕"_qs));
    QCOMPARE(CodePage("no-such-code-page").name(), QByteArray("GBK"));
}

void TestPlatform::codePageFromLocale_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QByteArray>("codePage");
    // A UTF-8 or plain ASCII locale says nothing about the files' code page.
    QTest::newRow("UTF-8 locale") << QByteArray("C.UTF-8") << QByteArray("GBK");
    QTest::newRow("C locale") << QByteArray("C") << QByteArray("GBK");
    QTest::newRow("locale not installed") << QByteArray("xx_XX.NOPE") << QByteArray("GBK");
    QTest::newRow("legacy locale") << QByteArray("zh_TW.BIG5") << QByteArray("BIG5");
}

void TestPlatform::codePageFromLocale()
{
    QFETCH(QByteArray, locale);
    // A legacy locale is compiled into a private folder, so the test needs
    // neither root nor a machine set up for Chinese.
    QTemporaryDir locales;
    if (locale == "zh_TW.BIG5") {
        QProcess localedef;
        localedef.start(
            QStringLiteral("localedef"),
            { u"-i"_qs, u"zh_TW"_qs, u"-f"_qs, u"BIG5"_qs, locales.filePath(u"zh_TW.BIG5"_qs) });
        if (!localedef.waitForFinished(60000) || localedef.exitCode() != 0)
            QSKIP("localedef could not build zh_TW.BIG5 (is the locales package installed?)");
    }
    const QByteArray previous = qgetenv("LC_ALL");
    qputenv("LOCPATH", QFile::encodeName(locales.path()));
    qputenv("LC_ALL", locale);
    const QByteArray name = CodePage::systemName();
    qputenv("LC_ALL", previous);
    qunsetenv("LOCPATH");
    QTEST(name, "codePage");
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "test_platform.moc"
