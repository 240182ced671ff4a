#include "line_decoder.h"

#include "cr_scan.h"
#include "source_encoding.h"

namespace captiloom::platform {

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
    forEachCrUnit(text, [&](qsizetype cr) {
        m_spans.push_back({ from, cr - from });
        from = cr + (cr + 1 < text.size() && text[cr + 1] == u'\n' ? 2 : 1);
    });
    m_spans.push_back({ from, text.size() - from });

    if (qsizetype(m_spans.size()) != countCrBytes(bytes)) {
        // The text's line ends do not match the bytes' after all: decode
        // each line on its own.
        m_spans.clear();
    }
}

} // namespace captiloom::platform
