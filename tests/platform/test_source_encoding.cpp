#include "chinese_samples.h"
#include "code_page.h"
#include "source_encoding.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace captiloom;
using namespace captiloom::platform;
using namespace Qt::StringLiterals;

namespace {

// What a run takes a source for.
bool readsAsUtf8(QByteArrayView bytes)
{
    Utf8Detector detector;
    detector.feed(bytes);
    return decideEncoding(byteOrderMark(bytes), detector).encoding == SourceEncoding::Utf8;
}

enum class Set { Singles, Level1Pairs, Fortunes, RandomMixes };

} // namespace

class TestSourceEncoding : public QObject
{
    Q_OBJECT

private slots:
    void verdict_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("utf8");
        const auto hex = [](const char *digits) {
            return QByteArray::fromHex(digits);
        };
        QTest::newRow("GBK 谢谢, Cyrillic in UTF-8") << hex("d0bbd0bb") << false;
        QTest::newRow("UTF-8 谢谢") << u"谢谢"_s.toUtf8() << true;
        QTest::newRow("ASCII reads the same either way") << QByteArray("plain\r\n") << false;
        // Pairs of bytes from A1 up may be GBK: UTF-8 only if Chinese there too.
        QTest::newRow("UTF-8 丹仪, also GBK 涓逛华") << u"丹仪"_s.toUtf8() << true;
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
        QTest::newRow("cut at the end") << QByteArray(16, 'a') + hex("e5ad") << false;
        // Marks decide, but for GBK that spells a UTF-8 mark: 锘客.
        QTest::newRow("UTF-8 mark, then UTF-8") << hex("efbbbf") + hex("c2a1") << true;
        QTest::newRow("GBK 锘客, a UTF-8 mark's bytes") << hex("efbbbfcd") << false;
    }

    void verdict()
    {
        QFETCH(QByteArray, bytes);
        // Fed a byte at a time as well, since reads may split any sequence.
        Utf8Detector pieces;
        for (const char byte : bytes)
            pieces.feed(QByteArrayView(&byte, 1));
        QTEST(readsAsUtf8(bytes), "utf8");
        QTEST(pieces.isUtf8(), "utf8");
    }

    void misreads_data()
    {
        QTest::addColumn<Set>("set");
        QTest::addColumn<qint64>("gbkAllowed"); // GBK texts that may pass for UTF-8
        QTest::newRow("GB2312 hanzi alone") << Set::Singles << qint64(0);
        QTest::newRow("pairs of level-1 hanzi") << Set::Level1Pairs << qint64(0);
        QTest::newRow("fortunes-zh, files of 1 to 10 lines") << Set::Fortunes << qint64(0);
        QTest::newRow("a million random mixes") << Set::RandomMixes << qint64(1);
    }

    void misreads()
    {
        QFETCH(Set, set);
        QFETCH(qint64, gbkAllowed);
        static const QList<samples::Hanzi> hanzi = samples::gb2312Hanzi();
        QCOMPARE(hanzi.size(), 6763);

        qint64 texts = 0;
        qint64 gbkMisreads = 0;
        QByteArrayList utf8Misreads;
        const auto judge = [&](const QByteArray &gbk, const QByteArray &utf8) {
            ++texts;
            gbkMisreads += readsAsUtf8(gbk);
            if (!readsAsUtf8(utf8)
                || (set == Set::Fortunes && !readsAsUtf8(QByteArray("\xEF\xBB\xBF" + utf8))))
                utf8Misreads.append(utf8);
        };
        switch (set) {
        case Set::Singles:
            samples::forEachSingle(hanzi, judge);
            break;
        case Set::Level1Pairs:
            samples::forEachLevel1Pair(hanzi, judge);
            break;
        case Set::Fortunes: {
            const QList<samples::Text> lines = samples::fortuneLines();
            QVERIFY2(lines.size() > 40000, "fortunes-zh is not installed");
            samples::forEachFortuneFile(lines, judge);
            break;
        }
        case Set::RandomMixes:
            samples::forEachRandomMix(hanzi, 1000000, judge);
            break;
        }
        QVERIFY2(utf8Misreads.isEmpty(), utf8Misreads.value(0).constData());
        QVERIFY2(gbkMisreads <= gbkAllowed, qPrintable(u"%1 of %2"_s.arg(gbkMisreads).arg(texts)));
    }

    void codePageFromLocale_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QByteArray>("codePage");
        // A UTF-8 or plain ASCII locale says nothing about the files' code page.
        QTest::newRow("UTF-8 locale") << QByteArray("C.UTF-8") << QByteArray("GBK");
        QTest::newRow("C locale") << QByteArray("C") << QByteArray("GBK");
        QTest::newRow("locale not installed") << QByteArray("xx_XX.NOPE") << QByteArray("GBK");
        QTest::newRow("legacy locale") << QByteArray("zh_TW.BIG5") << QByteArray("BIG5");
    }

    void codePageFromLocale()
    {
        QFETCH(QByteArray, locale);
        // The legacy locale is compiled into a private folder: no root needed.
        QTemporaryDir locales;
        if (locale == "zh_TW.BIG5") {
            QProcess localedef;
            localedef.start(
                u"localedef"_s,
                { u"-i"_s, u"zh_TW"_s, u"-f"_s, u"BIG5"_s, locales.filePath(u"zh_TW.BIG5"_s) });
            QVERIFY2(localedef.waitForFinished(60000) && localedef.exitCode() == 0,
                     "localedef could not build zh_TW.BIG5 (package locales)");
        }
        const QByteArray previous = qgetenv("LC_ALL");
        qputenv("LOCPATH", QFile::encodeName(locales.path()));
        qputenv("LC_ALL", locale);
        const QByteArray name = CodePage::systemName();
        qputenv("LC_ALL", previous);
        qunsetenv("LOCPATH");
        QTEST(name, "codePage");
    }
};

QTEST_GUILESS_MAIN(TestSourceEncoding)
#include "test_source_encoding.moc"
