// Feeds arbitrary bytes to the line reader and the line decoder the way a
// conversion run does (byte-order mark first, then line by line) and checks
// what the run builds on:
//  - the lines with their terminators, joined again, give back the input, and
//    the split is the only one the line rules allow;
//  - a reader that keeps only the start of each line, fed a few bytes per
//    read, reports the same lines with the same lengths and terminators,
//    each kept part a prefix of the whole line, cut exactly when longer;
//  - decoding loses no byte: every non-empty line has a length, and that
//    length stays within what the encoding's character widths allow;
//  - the check that takes a source for UTF-8 follows its rule: strictly
//    valid UTF-8, and Chinese in UTF-8 where the bytes could be GBK's Chinese.

#include "property_check.h"

#include "code_page.h"
#include "line_reader.h"
#include "source_encoding.h"
#include "trickle_device.h"

#include <QList>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>

using namespace captiloom::platform;
using Terminator = LineReader::Terminator;

namespace {

struct Line
{
    QByteArray bytes;
    qint64 length = 0;
    bool cut = false;
    Terminator terminator = Terminator::None;
};

struct Split
{
    ByteOrderMark mark;
    LineReader::UnitWidth width = LineReader::UnitWidth::Byte;
    QList<Line> lines;
};

Split split(const QByteArray &input, qint64 step, qsizetype keepLimit)
{
    TrickleDevice device(input, step);
    LineReader reader(device, keepLimit);
    Split out;
    out.mark = detectByteOrderMark(reader.peek(3));
    out.width = unitWidthFor(out.mark.encoding);
    reader.setUnitWidth(out.width);
    reader.skip(out.mark.length);
    LineReader::Line line;
    while (reader.readLine(line))
        out.lines.append({ line.bytes.toByteArray(), line.length, line.cut, line.terminator });
    check(!reader.failed(), "no read failure from memory");
    check(reader.bytesConsumed() == input.size(), "every byte consumed");
    return out;
}

// A CR or LF as one unit of the given width.
QByteArray unit(LineReader::UnitWidth width, char value)
{
    switch (width) {
    case LineReader::UnitWidth::Byte:
        return QByteArray(1, value);
    case LineReader::UnitWidth::Utf16LittleEndian:
        return QByteArray(1, value) + '\0';
    case LineReader::UnitWidth::Utf16BigEndian:
        return QByteArray(1, '\0') + value;
    }
    return {};
}

bool hasUnitAt(const QByteArray &bytes, qsizetype at, const QByteArray &unit)
{
    return bytes.sliced(at).startsWith(unit);
}

void checkWholeSplit(const QByteArray &input, const Split &whole)
{
    const QByteArray cr = unit(whole.width, '\r');
    const QByteArray lf = unit(whole.width, '\n');
    const qsizetype size = cr.size();
    QByteArray joined = input.left(whole.mark.length);
    for (qsizetype i = 0; i < whole.lines.size(); ++i) {
        const Line &line = whole.lines[i];
        check(!line.cut && line.length == line.bytes.size(), "whole line kept");
        for (qsizetype at = 0; at < line.bytes.size(); at += size)
            check(!hasUnitAt(line.bytes, at, cr), "no CR inside a line");
        const bool last = i + 1 == whole.lines.size();
        check(last || line.terminator != Terminator::None, "only the last line is unended");
        check(line.terminator != Terminator::None || !line.bytes.isEmpty(),
              "no empty line after a final terminator");
        if (line.terminator == Terminator::Cr && !last)
            check(!whole.lines[i + 1].bytes.startsWith(lf), "CR LF is one terminator");
        joined += line.bytes;
        if (line.terminator != Terminator::None)
            joined += cr;
        if (line.terminator == Terminator::CrLf)
            joined += lf;
    }
    check(joined == input, "lines and terminators give back the input");
}

void checkKeptSplit(const Split &whole, const Split &kept, qsizetype keepLimit)
{
    check(kept.mark.length == whole.mark.length, "same mark whatever the reads");
    check(kept.lines.size() == whole.lines.size(), "same lines whatever the reads");
    for (qsizetype i = 0; i < whole.lines.size(); ++i) {
        const Line &a = whole.lines[i];
        const Line &b = kept.lines[i];
        check(b.length == a.length && b.terminator == a.terminator, "same length and terminator");
        check(b.cut == (a.length > keepLimit), "cut exactly when longer than the limit");
        check(b.bytes == a.bytes.left(keepLimit), "the kept part is the line's start");
    }
}

// Every non-empty line decodes to at least one unit per widest character of
// its encoding, and to no more units than it has bytes (two bytes per unit
// for UTF-16, an odd last byte counting as one).
void checkDecoding(const QByteArray &input, const Split &whole)
{
    SourceEncoding encoding = whole.mark.encoding;
    if (whole.mark.length == 0) {
        Utf8Detector utf8;
        utf8.feed(input);
        encoding = utf8.isUtf8() ? SourceEncoding::Utf8 : SourceEncoding::CodePage;
    }
    CodePage codePage("GBK");
    SourceDecoder decoder(encoding, codePage);
    const bool utf16 = whole.width != LineReader::UnitWidth::Byte;
    const qsizetype widest = utf16 ? 2 : encoding == SourceEncoding::Utf8 ? 3 : 2;
    QString text;
    for (const Line &line : whole.lines) {
        decoder.decodeLine(line.bytes, text);
        const qsizetype bytes = line.bytes.size();
        check(text.size() >= (bytes + widest - 1) / widest, "no byte lost in decoding");
        check(text.size() <= (utf16 ? (bytes + 1) / 2 : bytes), "no unit made up in decoding");
    }
}

// GB2312's characters, as its converter decodes its rows of byte pairs.
const QSet<QChar> &gb2312Characters()
{
    static const QSet<QChar> characters = [] {
        QByteArray cells;
        for (int lead = 0xA1; lead <= 0xF7; ++lead) {
            for (int trail = 0xA1; trail <= 0xFE; ++trail)
                cells.append(char(lead)).append(char(trail));
        }
        const QString characters = QStringDecoder("GB2312").decode(cells);
        return QSet<QChar>(characters.begin(), characters.end());
    }();
    return characters;
}

// The check that takes a source for UTF-8 follows its rule, worked out here
// on the decoded text, however the bytes are split into pieces: strictly
// valid UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF,
// nothing cut short) with a non-ASCII character, and, when the bytes could be
// GBK's Chinese too (bytes from A1 up, in runs of even length), only
// three-byte characters that GB2312 holds.
void checkUtf8Detection(const QByteArray &input)
{
    Utf8Detector whole;
    whole.feed(input);
    Utf8Detector pieces;
    for (qsizetype at = 0, step = 1; at < input.size(); at += step, step = step % 19 + 1)
        pieces.feed(QByteArrayView(input).sliced(at, std::min(step, input.size() - at)));
    check(pieces.isUtf8() == whole.isUtf8(), "UTF-8 check whatever the pieces");

    // A leading U+FEFF is a character here, as it is to the check.
    QStringDecoder strict(QStringConverter::Utf8,
                          QStringConverter::Flag::Stateless
                              | QStringConverter::Flag::ConvertInitialBom);
    const QString decoded = strict.decode(input);
    bool gbk = true;
    qsizetype run = 0; // bytes from 80 up in a row
    for (qsizetype i = 0; i <= input.size(); ++i) {
        const auto byte = i < input.size() ? static_cast<uchar>(input[i]) : uchar(0);
        if (byte >= 0x80) {
            gbk = gbk && byte >= 0xA1;
            ++run;
        } else {
            gbk = gbk && run % 2 == 0;
            run = 0;
        }
    }
    const bool chinese = std::all_of(decoded.begin(), decoded.end(), [](QChar character) {
        return character.unicode() < 0x80
            || (character.unicode() >= 0x800 && gb2312Characters().contains(character));
    });
    const bool nonAscii = std::any_of(input.begin(), input.end(),
                                      [](char byte) { return static_cast<uchar>(byte) >= 0x80; });
    check(whole.isUtf8() == (nonAscii && !strict.hasError() && (!gbk || chinese)),
          "UTF-8 check follows its rule");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const Split whole = split(input, input.size() + 1, input.size() + 1);
    checkWholeSplit(input, whole);
    // A byte at a time with the run's own limit, then a few at a time with a
    // tiny limit, so that short inputs get cut lines too.
    checkKeptSplit(whole, split(input, 1, LineReader::defaultKeepLimit),
                   LineReader::defaultKeepLimit);
    checkKeptSplit(whole, split(input, 3, 5), 5);
    checkDecoding(input, whole);
    checkUtf8Detection(input);
    return 0;
}
