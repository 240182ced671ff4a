#include "line_decoder.h"

#include "source_encoding.h"

#include <bit>
#include <cstring>

namespace captiloom::platform {

namespace {

// Lines are short: a search call for each would cost more than the search, so
// the CRs are looked for a machine word at a time. In a word of bytes or of
// UTF-16 units that was XORed with CRs, these set the top bit of each byte or
// unit that was a CR, and of no other.
constexpr quint64 crBytes = 0x0D0D0D0D0D0D0D0DULL;
constexpr quint64 crUnits = 0x000D000D000D000DULL;

constexpr quint64 topBitsOfZeroBytes(quint64 x)
{
    constexpr quint64 low7 = 0x7F7F7F7F7F7F7F7FULL;
    return ~(((x & low7) + low7) | x | low7);
}

constexpr quint64 topBitsOfZeroUnits(quint64 x)
{
    constexpr quint64 low15 = 0x7FFF7FFF7FFF7FFFULL;
    return ~(((x & low15) + low15) | x | low15);
}

qsizetype countCrs(QByteArrayView bytes)
{
    qsizetype count = 0;
    qsizetype at = 0;
    for (; at + 8 <= bytes.size(); at += 8) {
        quint64 word;
        std::memcpy(&word, bytes.data() + at, 8);
        // One bit a CR, in the bytes' lowest bits; the product adds them up
        // in the top byte.
        count += ((topBitsOfZeroBytes(word ^ crBytes) >> 7) * 0x0101010101010101ULL) >> 56;
    }
    for (; at < bytes.size(); ++at)
        count += bytes[at] == '\r';
    return count;
}

// Calls found(at) for every CR of `text`, in order.
template<typename Found> void forEachCr(QStringView text, Found found)
{
    const char16_t *units = text.utf16();
    const qsizetype size = text.size();
    qsizetype at = 0;
    for (; at + 4 <= size; at += 4) {
        quint64 word;
        std::memcpy(&word, units + at, 8);
        for (quint64 hits = topBitsOfZeroUnits(word ^ crUnits); hits; hits &= hits - 1) {
            const int unit = std::countr_zero(hits) / 16;
            found(at + (std::endian::native == std::endian::little ? unit : 3 - unit));
        }
    }
    for (; at < size; ++at) {
        if (units[at] == u'\r')
            found(at);
    }
}

} // namespace

LineDecoder::LineDecoder(LineReader &reader, SourceDecoder &decoder)
    : m_reader(reader)
    , m_decoder(decoder)
    // The Unicode decoders are built into Qt and cheap to call line by line.
    , m_batches(decoder.encoding() == SourceEncoding::CodePage)
{ }

QStringView LineDecoder::decode(const LineReader::Line &line)
{
    // A cut line's text is only its kept bytes, which were never decoded ahead.
    if (m_batches && !line.cut) {
        const qint64 ahead = m_reader.linesRead() - m_firstAhead;
        if (ahead >= 0 && ahead < qint64(m_spans.size())) {
            const Span span = m_spans[ahead];
            return QStringView(m_ahead).sliced(span.from, span.size);
        }
    }
    m_decoder.decodeLine(line.bytes, m_line);
    if (m_batches && !line.cut)
        decodeAhead();
    return m_line;
}

void LineDecoder::decodeAhead()
{
    m_spans.clear();
    m_firstAhead = m_reader.linesRead() + 1;
    const QByteArrayView bytes = m_reader.wholeLinesAhead();
    if (bytes.isEmpty())
        return;
    // All the lines as one, the last one's terminator left out, so that the
    // decoder sees a line like any other.
    const qsizetype lastCr = bytes.lastIndexOf('\r');
    m_decoder.decodeLine(bytes.first(lastCr), m_ahead);

    // Only a CR byte gives a CR, and an LF after it only an LF byte, so the
    // text splits where the bytes do.
    const QStringView text = m_ahead;
    qsizetype from = 0;
    forEachCr(text, [&](qsizetype cr) {
        m_spans.push_back({ from, cr - from });
        from = cr + (cr + 1 < text.size() && text[cr + 1] == u'\n' ? 2 : 1);
    });
    m_spans.push_back({ from, text.size() - from });

    if (qsizetype(m_spans.size()) != countCrs(bytes)) {
        // The text's line ends do not match the bytes' after all: decode
        // each line on its own.
        m_spans.clear();
    }
}

} // namespace captiloom::platform
