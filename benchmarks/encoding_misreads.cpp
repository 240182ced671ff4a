// Prints how often three rules read a source without a byte-order mark in the
// wrong encoding, on sets of Chinese texts in GBK and in UTF-8: the program's
// own rule, the plain rule it replaced (any strictly valid UTF-8
// holding a non-ASCII character is UTF-8) and the uchardet library.

#include "chinese_samples.h"
#include "source_encoding.h"

#include <QStringDecoder>

#include <uchardet.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

using namespace captiloom;

namespace {

bool programRule(QByteArrayView bytes)
{
    platform::Utf8Detector detector;
    detector.feed(bytes);
    return platform::decideEncoding(platform::byteOrderMark(bytes), detector).encoding
        == platform::SourceEncoding::Utf8;
}

bool strictRule(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return true;
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return !utf8.hasError()
        && std::any_of(bytes.begin(), bytes.end(), [](char byte) { return byte & 0x80; });
}

class Uchardet
{
public:
    Uchardet()
        : m_detector(uchardet_new())
    { }
    ~Uchardet() { uchardet_delete(m_detector); }
    Uchardet(const Uchardet &) = delete;
    Uchardet &operator=(const Uchardet &) = delete;

    QByteArray charset(QByteArrayView bytes)
    {
        uchardet_reset(m_detector);
        uchardet_handle_data(m_detector, bytes.data(), size_t(bytes.size()));
        uchardet_data_end(m_detector);
        return QByteArray(uchardet_get_charset(m_detector)).toUpper();
    }

private:
    uchardet_t m_detector;
};

struct Count
{
    qint64 texts = 0;
    qint64 wrong = 0;
    void add(bool isWrong)
    {
        ++texts;
        wrong += isWrong;
    }
};

// One set of texts in one encoding: the three rules taking it for the other
// encoding, and uchardet naming any charset but the right one.
struct Row
{
    const char *name;
    bool utf8;
    std::array<Count, 3> misread;
    Count misnamed;
    qint64 seen = 0;
};

class Tally
{
public:
    explicit Tally(qint64 uchardetStride = 1)
        : m_stride(uchardetStride)
    { }

    void judge(Row &row, QByteArrayView bytes)
    {
        row.misread[0].add(programRule(bytes) != row.utf8);
        row.misread[1].add(strictRule(bytes) != row.utf8);
        if (row.seen++ % m_stride != 0)
            return;
        const QByteArray name = m_uchardet.charset(bytes);
        row.misread[2].add((name == "UTF-8") != row.utf8);
        row.misnamed.add(name != (row.utf8 ? "UTF-8" : "GB18030"));
    }

private:
    Uchardet m_uchardet;
    qint64 m_stride;
};

QByteArray rate(const Count &count)
{
    if (count.wrong == 0)
        return "0";
    const double percent = 100.0 * double(count.wrong) / double(count.texts);
    return QByteArray::number(count.wrong) + " (" + QByteArray::number(percent, 'g', 3) + " %)";
}

void print(const Row &row)
{
    const auto texts = QByteArray::number(row.misread[0].texts);
    std::printf("%-34s %9s  %-16s %-20s %-20s %s\n", row.name, texts.constData(),
                rate(row.misread[0]).constData(), rate(row.misread[1]).constData(),
                rate(row.misread[2]).constData(), rate(row.misnamed).constData());
}

} // namespace

int main()
{
    const QList<samples::Hanzi> hanzi = samples::gb2312Hanzi();
    const QList<samples::Text> lines = samples::fortuneLines();
    if (hanzi.size() != 6763 || lines.isEmpty()) {
        std::fprintf(stderr, "needs Qt's GBK converter and the fortunes-zh package\n");
        return 1;
    }
    // uchardet takes a few microseconds a text: it sees one pair in 16.
    constexpr qint64 pairStride = 16;
    std::printf("Texts read in the wrong encoding: GBK taken for UTF-8, UTF-8 for GBK.\n"
                "uchardet sees one level-1 pair in %lld; its last column counts any "
                "answer but GB18030 or UTF-8.\n\n",
                pairStride);
    std::printf("%-34s %9s  %-16s %-20s %-20s %s\n", "texts", "count", "this rule", "strict UTF-8",
                "uchardet", "uchardet, any name");

    // Judges one set in both encodings (and with a mark, when `marked`).
    const auto run = [](const char *set, qint64 stride, bool marked, auto forEach) {
        Row gbk { set, false, {}, {} };
        Row utf8 { "  same texts in UTF-8", true, {}, {} };
        Row withMark { "  in UTF-8 with a byte-order mark", true, {}, {} };
        Tally tally(stride);
        qint64 markLike = 0;
        forEach([&](const QByteArray &gbkText, const QByteArray &utf8Text) {
            markLike += gbkText.startsWith("\xEF\xBB\xBF");
            tally.judge(gbk, gbkText);
            tally.judge(utf8, utf8Text);
            if (marked)
                tally.judge(withMark, QByteArray("\xEF\xBB\xBF" + utf8Text));
        });
        print(gbk);
        print(utf8);
        if (marked)
            print(withMark);
        if (markLike > 0)
            std::printf("  (%lld of the GBK texts start with 锘 and a hanzi of row BF, a UTF-8 "
                        "byte-order mark's bytes)\n",
                        markLike);
    };
    run("1 GB2312 hanzi alone, GBK", 1, false,
        [&](auto visit) { samples::forEachSingle(hanzi, visit); });
    run("1 pairs of level-1 hanzi, GBK", pairStride, false,
        [&](auto visit) { samples::forEachLevel1Pair(hanzi, visit); });
    run("2 fortunes-zh, 1 to 10 lines, GBK", 1, true,
        [&](auto visit) { samples::forEachFortuneFile(lines, visit); });
    run("3 random mixes, GBK", 1, false,
        [&](auto visit) { samples::forEachRandomMix(hanzi, 1000000, visit); });
    return 0;
}
