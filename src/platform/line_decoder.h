#pragma once

#include "line_reader.h"

#include <QString>

#include <vector>

namespace captiloom::platform {

class SourceDecoder;

// Decodes the lines a LineReader hands out, in the encoding found for their
// source.
//
// Setting the code page's converter going costs more than converting a short
// line, so the lines of a code-page source are decoded many at a time: with
// the first line of each read comes every whole line after it that the reader
// already holds. Each line's text is still exactly what decoding it on its own
// gives: a CR is never part of a multi-byte character, so every line starts
// the converter afresh, and a line that ends in half a character ends in a
// replacement character either way.
class LineDecoder
{
public:
    LineDecoder(LineReader &reader, SourceDecoder &decoder);

    // The text of `line`, the line the reader handed out last; lines may be
    // skipped. Valid until the next call.
    QStringView decode(const LineReader::Line &line);

private:
    void decodeAhead();

    struct Span
    {
        qsizetype from;
        qsizetype size;
    };

    LineReader &m_reader;
    SourceDecoder &m_decoder;
    bool m_batches;
    QString m_line;
    // The lines decoded ahead: the text of the reader's line number
    // m_firstAhead + i is m_spans[i] of m_ahead.
    QString m_ahead;
    std::vector<Span> m_spans;
    qint64 m_firstAhead = 0;
};

} // namespace captiloom::platform
