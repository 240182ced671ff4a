#pragma once

#include "subtitle_clock.h"

#include <QByteArray>
#include <QString>

namespace captiloom::conversion {

// Builds the subtitle document block by block. The document is kept in the
// code page it will be written in, so that each text line carries the source
// line's bytes unchanged, even bytes the code page cannot decode.
class DocumentWriter
{
public:
    // Room for a document of about this many bytes, made at once.
    explicit DocumentWriter(qsizetype expectedSize = 0) { m_text.resize(expectedSize); }
    // Appends: number CR LF, start " --> " end CR LF, text CR LF, CR LF.
    void appendBlock(qint64 SubtitleIndex, ClockPair start, ClockPair end, QByteArrayView line);
    QByteArray take();

private:
    QByteArray m_text; // the document, then room
    qsizetype m_size = 0;
};

// Replaces whatever is at OutputPath with the document in one step. Returns
// the system's reason on failure, an empty text on success.
QString WriteDocument(const QString &OutputPath, const QByteArray &SubtitleText);

} // namespace captiloom::conversion
