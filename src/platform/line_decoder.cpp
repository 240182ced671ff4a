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

QStringView LineDecoder::decodeAlone(const LineReader::Line &line)
{
    m_decoder.decodeLine(line.bytes, m_line);
    if (m_batches && !line.cut)
        decodeAhead();
    return m_line;
}

void LineDecoder::decodeAhead()
{
    m_aheadCount = 0;
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
    if (m_endsSize < m_ahead.size() + 2) {
        m_endsSize = m_ahead.size() + 2;
        m_ends.reset(new qint32[m_endsSize]);
    }
    const qsizetype crs = findCrUnits(m_ahead, m_ends.get());
    if (crs + 1 != countCrBytes(bytes)) {
        // The text's line ends do not match the bytes' after all: decode
        // each line on its own.
        return;
    }
    m_ends[crs] = static_cast<qint32>(m_ahead.size());
    m_aheadCount = crs + 1;
}

} // namespace captiloom::platform
