// Whole conversions of arbitrary sources over an old output the user agrees to
// replace. Lines end at CR LF or a lone CR, or at LF in a file without CR; the
// run writes one well-formed block for each line not blank, or stops at the
// first it cannot take, the old output untouched; the source never changes
// and no file is left behind.

#include "test_support.h"

#include "conversion_run.h"
#include "source_text.h"

#include <QRegularExpression>

using captiloom::platform::SourceText;

// Stops the fuzzer at a broken property; libFuzzer keeps the input that led here.
#define CHECK(property) ((property) ? void() : qFatal("property violated: %s", #property))

// UTF-16 units after its mark (a last odd byte a unit of its own), bytes
// otherwise: no other encoding's character holds a CR's or an LF's byte.
static QList<char16_t> unitsOf(const QByteArray &input)
{
    const bool little = input.startsWith("\xFF\xFE"), big = input.startsWith("\xFE\xFF");
    QList<char16_t> units;
    for (qsizetype at = 2; (little || big) && at < input.size(); at += 2) {
        const uchar first = input[at], second = at + 1 < input.size() ? uchar(input[at + 1]) : 0xFF;
        units.append(char16_t(little ? first | second << 8 : first << 8 | second));
    }
    // A UTF-8 mark is no line of its own, nor, when GBK, all of one.
    if (!little && !big)
        for (const char byte :
             QByteArrayView(input).sliced(input.startsWith("\xEF\xBB\xBF") ? 3 : 0))
            units.append(uchar(byte));
    return units;
}

// Lines by the rule, counted on the units.
static qint64 linesOf(const QList<char16_t> &units, char16_t terminator)
{
    qint64 lines = 0;
    bool open = false; // a line has begun since the last terminator
    for (qsizetype at = 0; at < units.size(); ++at) {
        open = units[at] != terminator;
        if (!open) {
            ++lines;
            if (terminator == u'\r' && at + 1 < units.size() && units[at + 1] == u'\n')
                ++at;
        }
    }
    return lines + open;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("LC_ALL", "C"); // the code page comes from the locale: GBK everywhere
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static TemporaryFolder folder;
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString in = u"in.txt"_s, out = u"out.utf"_s;
    CHECK(writeFile(in, input) && writeFile(out, "old"));

    SourceText source(in);
    const qint64 count = source.open() ? source.countLines(1 << 20) : -1;
    CHECK(count >= 0 && source.rewind());
    const QList<char16_t> units = unitsOf(input);
    const char16_t terminator = units.contains(u'\r') ? u'\r' : u'\n';
    CHECK(count == linesOf(units, terminator));
    QByteArray blocks; // the document with its times left out
    QString stop;
    qint64 lines = 0, number = 0;
    for (SourceText::Line line; source.readLine(line); ++lines) {
        CHECK(!line.text.contains(QChar(terminator)));
        if (!stop.isEmpty() || line.text.isEmpty())
            continue;
        if (line.cut || line.text.size() > 23)
            stop = u"第%1行太长"_s.arg(lines + 1);
        else if (line.unsavable)
            stop = u"第%1行含有无法保存的字符"_s.arg(lines + 1);
        else
            blocks += block(++number, {}, line.bytes.toByteArray());
    }
    CHECK(!source.failed() && lines == count);

    RecordingServices services;
    captiloom::conversion::RunConversion(in, out, services);
    const QStringList &said = services.messages;
    const QByteArray written = readFile(out);
    static const QRegularExpression times(
        u"\r\n\\d\\d:[0-5]\\d:[0-5]\\d,\\d{3} --> \\d\\d:[0-5]\\d:[0-5]\\d,\\d{3}\r\n"_s);
    CHECK(said.value(0) == shown::overwrite);
    if (lines > 32767)
        CHECK(said.size() == 2 && said[1].startsWith(u"failure ") && written == "old");
    else if (stop.isEmpty())
        CHECK(said.mid(1) == QStringList { shown::finished }
              && QString::fromLatin1(written).replace(times, u"\r\n\r\n"_s).toLatin1() == blocks);
    else
        CHECK(said.size() == 3 && said[1].startsWith(stop) && said[2] == u"end"
              && written == "old");
    CHECK(readFile(in) == input && folder.entries().size() == 2);
    return 0;
}
