#include "code_page.h"
#include "source_encoding.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace captiloom::platform;
using namespace Qt::StringLiterals;

// Which texts a run takes for UTF-8 and which for the code page, and which
// code page that is.
class TestSourceEncoding : public QObject
{
    Q_OBJECT

private slots:
    void verdict_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("utf8");
        const auto hex = QByteArray::fromHex;
        QTest::newRow("GBK 谢谢, Cyrillic in UTF-8") << hex("d0bbd0bb") << false;
        QTest::newRow("ASCII reads the same either way") << QByteArray("plain\r\n") << false;
        // Pairs of bytes from A1 up may be GBK: UTF-8 only if Chinese there too,
        // any character of GB2312's, from its first cells to its last.
        QTest::newRow("UTF-8 丹仪, also GBK 涓逛华") << u"丹仪"_s.toUtf8() << true;
        QTest::newRow("UTF-8 ￡Ａ＿￣, symbols") << u"￡Ａ＿￣"_s.toUtf8() << true;
        QTest::newRow("UTF-8 氨羹廿鼾, both levels' hanzi") << u"氨羹廿鼾"_s.toUtf8() << true;
        QTest::newRow("GBK 涔稿范, two rare ideographs in UTF-8") << hex("e4b9b8e5b7b6") << false;
        QTest::newRow("GBK 宀辫菇, a common and a rare ideograph") << hex("e5b2b1e8b9bd") << false;
        QTest::newRow("UTF-8 ¡, also GBK 隆") << hex("c2a1") << false;
        QTest::newRow("UTF-8 ·好好, a letter among hanzi") << u"·好好"_s.toUtf8() << false;
        QTest::newRow("GBK pair as a four-byte character") << hex("f0a1b0a1") << false;
        // Bytes that cannot be GBK's Chinese.
        QTest::newRow("UTF-8 no-break space, a byte below A1") << hex("c2a0") << true;
        QTest::newRow("a rare ideograph, an odd run, before two")
            << hex("e4b9b8") + "a" + hex("e4b9b8e5b7b6") << true;
        QTest::newRow("one rare ideograph, an odd run at the end") << hex("e4b8a1") << true;
        // Only strictly valid UTF-8 is UTF-8.
        QTest::newRow("U+0800, the least of three bytes") << hex("e0a080") << true;
        QTest::newRow("overlong, two bytes") << hex("c080") << false;
        QTest::newRow("overlong, three bytes") << hex("e080af") << false;
        QTest::newRow("overlong, four bytes") << hex("f08fbfbf") << false;
        QTest::newRow("surrogate") << hex("eda080") << false;
        QTest::newRow("beyond U+10FFFF") << hex("f4908080") << false;
        QTest::newRow("F5, never a lead byte") << hex("f5808080") << false;
        // Runs of ASCII are skipped a word at a time, up to the next character.
        QTest::newRow("eight ASCII, then UTF-8") << "12345678" + u"丹仪丹"_s.toUtf8() << true;
        QTest::newRow("cut at the end") << QByteArray(16, 'a') + hex("e5ad") << false;
        // Marks decide, but for GBK that spells a UTF-8 mark: 锘客.
        QTest::newRow("UTF-8 mark, then 丹, GBK's bytes too")
            << hex("efbbbf") + u"丹"_s.toUtf8() << true;
        QTest::newRow("GBK 锘客, a UTF-8 mark's bytes") << hex("efbbbfcd") << false;
    }

    void verdict()
    {
        QFETCH(QByteArray, bytes);
        Utf8Detector whole, pieces;
        whole.feed(bytes);
        // Fed a byte at a time as well, since reads may split any sequence.
        for (const char byte : bytes)
            pieces.feed(QByteArrayView(&byte, 1));
        for (const Utf8Detector &detector : { whole, pieces })
            QTEST(decideEncoding(byteOrderMark(bytes), detector).encoding == SourceEncoding::Utf8,
                  "utf8");
    }

    // One code page serves a whole run: every text it cannot hold is named,
    // not only the first it met.
    void unsavableEachTime()
    {
        CodePage page;
        QByteArray bytes;
        for (int time = 0; time < 3; ++time)
            QCOMPARE(page.encode(u"x»", bytes), std::optional<char32_t>(U'»'));
    }

#ifdef Q_OS_LINUX // the code page comes from the locale
    // A UTF-8 or plain ASCII locale says nothing about the files' code page; a
    // legacy one, compiled into a private folder, does.
    void codePageFromLocale()
    {
        QTemporaryDir locales;
        QVERIFY2(QProcess::execute(
                     u"localedef"_s,
                     { u"-i"_s, u"zh_TW"_s, u"-f"_s, u"BIG5"_s, locales.filePath(u"zh_TW.BIG5"_s) })
                     == 0,
                 "localedef could not build zh_TW.BIG5 (package locales)");
        const QByteArray previous = qgetenv("LC_ALL");
        qputenv("LOCPATH", QFile::encodeName(locales.path()));
        QByteArrayList names;
        for (const char *locale : { "C.UTF-8", "C", "xx_XX.NOPE", "zh_TW.BIG5" }) {
            qputenv("LC_ALL", locale);
            names << CodePage::systemName();
        }
        qputenv("LC_ALL", previous);
        qunsetenv("LOCPATH");
        QCOMPARE(names, QByteArrayList({ "GBK", "GBK", "GBK", "BIG5" }));
    }
#endif
};

QTEST_GUILESS_MAIN(TestSourceEncoding)
#include "test_source_encoding.moc"