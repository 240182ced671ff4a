#pragma once

#include "line_reader.h"

#include <QString>

#include <memory>

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
    QStringView decode(const LineReader::Line &line)
    {
        // A cut line's text is only its kept bytes, never decoded ahead.
        const qint64 ahead = m_reader.linesRead() - m_firstAhead;
        if (ahead < 0 || ahead >= m_aheadCount || line.cut)
            return decodeAlone(line);
        const QChar *text = m_ahead.constData();
        qsizetype from = 0;
        if (ahead > 0) {
            // Past the CR that ended the line before, and past its LF.
            from = m_ends[ahead - 1] + 1;
            if (from < m_ahead.size() && text[from] == u'\n')
                ++from;
        }
        return QStringView(text + from, m_ends[ahead] - from);
    }

private:
    QStringView decodeAlone(const LineReader::Line &line);
    void decodeAhead();

    LineReader &m_reader;
    SourceDecoder &m_decoder;
    bool m_batches;
    QString m_line;
    // The lines decoded ahead, m_aheadCount of them: the text of the reader's
    // line number m_firstAhead + i ends at m_ends[i] in m_ahead, the last one
    // at its end.
    QString m_ahead;
    // Not set to anything when made: only as many entries as there are lines
    // are ever touched, so the rest costs no memory.
    std::unique_ptr<qint32[]> m_ends;
    qsizetype m_endsSize = 0;
    qsizetype m_aheadCount = 0;
    qint64 m_firstAhead = 0;
};

} // namespace captiloom::platform
