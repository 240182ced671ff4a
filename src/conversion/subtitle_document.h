#pragma once

#include "subtitle_clock.h"

#include <QByteArray>
#include <QString>

namespace captiloom::conversion {

// The two kinds of subtitle file, told apart by the output's name alone.
enum class DocumentFormat {
    // The ".utf" file (or any other name) that the editor the window's help
    // names imports: lines ended by CR LF, text in the code page.
    Utf,
    // A name ending in ".srt", in any letter case: SubRip as ffmpeg, MLT and
    // most editors read it without being told anything, in UTF-8 without a
    // byte-order mark, every line ended by LF.
    Srt,
};

DocumentFormat formatOf(const QString &OutputPath);

// Builds the subtitle document block by block, in the bytes it will be
// written in: for a ".utf" file each text line carries the source line's
// code-page bytes unchanged, even bytes the code page cannot decode; for an
// SRT file, its UTF-8.
class DocumentWriter
{
public:
    // Room for a document of about this many bytes, made at once.
    explicit DocumentWriter(qsizetype expectedSize = 0, DocumentFormat format = DocumentFormat::Utf)
        : m_lineEnd(format == DocumentFormat::Srt ? "\n" : "\r\n")
    {
        m_text.resize(expectedSize);
    }
    // Appends: number, start " --> " end, text, and an empty line, each
    // ended by the format's line end.
    void appendBlock(qint64 SubtitleIndex, ClockPair start, ClockPair end, QByteArrayView line);
    QByteArray take();

private:
    const QByteArrayView m_lineEnd;
    QByteArray m_text; // the document, then room
    qsizetype m_size = 0;
};

// A point of the clock as the blocks write it: HH:MM:SS,mmm.
QString clockText(ClockPair pair);

// Replaces whatever is at OutputPath with the document in one step. Returns
// the system's reason on failure, an empty text on success.
QString WriteDocument(const QString &OutputPath, const QByteArray &SubtitleText);

} // namespace captiloom::conversion
