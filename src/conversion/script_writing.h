#pragma once

#include <QString>

namespace captiloom::conversion {

// Where the script made from a source goes: beside it, "片头.txt" giving
// "片头(断行).txt". The name always ends in ".txt", so that the window
// derives "片头(断行)(字幕).utf" from it.
QString ScriptPath(const QString &sourcePath);

// What became of a source handed to WriteScript().
struct ScriptOutcome
{
    enum class Kind {
        Written,
        AlreadyScript, // every line converts as it is: nothing written
        ScriptExists, // and kept, since replacing it was not asked for
        SourceMissing,
        ReadFailed, // `reason` says why
        SourceChanged, // while it was read
        Undecodable, // `line` holds bytes that form no character
        ParagraphTooLong, // `line` is longer than a paragraph may be
        ScriptTooLong, // more lines than a subtitle file takes
        WriteFailed, // `reason` says why
    };
    Kind kind = Kind::Written;
    qint64 line = 0; // of the source, from 1
    QString reason;
    qint64 textLines = 0; // what was written: lines of text
    qint64 pauses = 0; // and empty lines
    // The first script line still too long to convert, a single word that
    // could not be cut; 0 when there is none.
    qint64 overlongLine = 0;
    // The first script line holding a character the subtitle file's code
    // page cannot hold (an emoji in a UTF-8 source), and that character.
    qint64 unsavableLine = 0;
    char32_t unsavable = 0;
};

// Bytes a paragraph may take in its source: some hundred thousand Chinese
// characters, far beyond any narration, and what bounds the memory used.
inline constexpr qsizetype longestParagraphBytes = 256 * 1024;

// Breaks the prose at `sourcePath` into a script at `scriptPath`: each line of
// the source a paragraph, split by splitParagraph(); one empty line, a pause,
// between paragraphs and for each run of empty lines. The script keeps the
// source's encoding (GBK stays GBK, UTF-8 and UTF-16 stay what they are, with
// a byte-order mark so that nothing can misread them) and its line ends, CR
// LF unless the source has no CR. A source that converts as it is, and an
// existing script unless `overwrite`, are left alone; nothing is written
// unless all of it can be.
ScriptOutcome WriteScript(const QString &sourcePath, const QString &scriptPath, bool overwrite);

} // namespace captiloom::conversion
