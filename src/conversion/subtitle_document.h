#pragma once

#include "subtitle_clock.h"

#include <QByteArray>
#include <QString>

namespace captiloom::conversion {

// What a block adds to its text at most while its number stays below 100 000
// and its clocks below 100 hours, as they do for any source the run accepts.
inline constexpr qsizetype largestBlockFrame = 42;

// The document is kept in the code page it will be written in, so that each
// text line carries the source line's bytes unchanged, even bytes the code
// page cannot decode.
//
// Appends: number CR LF, start " --> " end CR LF, text CR LF, CR LF.
void AppendBlock(QByteArray &SubtitleText, qint64 SubtitleIndex, ClockPair start, ClockPair end,
                 QByteArrayView line);

// Appends blocks as AppendBlock does, into room made ahead of them, so that
// a block costs no call to grow the document; text() trims the room away.
class DocumentWriter
{
public:
    explicit DocumentWriter(qsizetype expectedSize = 0) { m_text.resize(expectedSize); }
    void appendBlock(qint64 SubtitleIndex, ClockPair start, ClockPair end, QByteArrayView line);
    QByteArray &text();

private:
    QByteArray m_text;
    qsizetype m_used = 0;
};

// Replaces whatever is at OutputPath with the document in one step. Returns
// the system's reason on failure, an empty text on success.
QString WriteDocument(const QString &OutputPath, const QByteArray &SubtitleText);

} // namespace captiloom::conversion
