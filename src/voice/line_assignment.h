#pragma once

#include "speech_analysis.h"

#include "line_timing.h"

#include <QStringView>

namespace captiloom::voice {

// How many syllables a narrator speaks for a line, as far as its text tells:
// one for each hanzi, one for each digit, one for each group of vowels in a
// Latin word; punctuation and spaces none.
int syllablesIn(QStringView text);

// Places each line on the syllables heard, so that the syllables it holds
// match its text and the pauses between lines are the longest ones heard,
// longer still where the script has a blank line. `map` must hold at least as
// many syllables as there are lines.
QList<conversion::LineTime> assignLines(const SpeechMap &map,
                                        const QList<conversion::TimedLine> &lines);

// A pause shorter than this before a line leaves its start unsure.
inline constexpr int surePauseMs = 100;

// How long a script takes to read: no narrator speaks faster than
// `fastestSyllableMs` a syllable, nor slower than `slowestSyllableMs` with a
// pause of `longestPauseMs` before each line and after each blank line.
inline constexpr qint64 fastestSyllableMs = 110;
inline constexpr qint64 slowestSyllableMs = 600;
inline constexpr qint64 longestPauseMs = 3000;
struct ReadingTime
{
    qint64 fastestMs = 0;
    qint64 slowestMs = 0;
};
ReadingTime readingTime(const QList<conversion::TimedLine> &lines);

// Less speech than this is none: a cough, a click.
inline constexpr qint64 leastSpeechMs = 300;
// A narrator takes a breath at least every few lines.
inline constexpr qsizetype fewestStretchesPerLine = 4;

// Why the recording cannot be a reading of the lines, or an empty text.
QString mismatch(const SpeechMap &map, const QList<conversion::TimedLine> &lines,
                 const QString &name);

} // namespace captiloom::voice
