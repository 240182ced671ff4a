#pragma once

#include <QList>
#include <QString>

namespace captiloom::conversion {

// One non-blank line of a script, as whoever times the lines needs it.
struct TimedLine
{
    qint64 sourceLine = 0; // its line number in the source, from 1
    qint64 blanksBefore = 0; // blank lines right before it: a longer pause
    QString text;
};

// When a line is shown, in milliseconds from the start of the recording it
// was timed to.
struct LineTime
{
    qint64 startMs = 0;
    qint64 endMs = 0;
    // No pause was heard before the line: its start is an estimate that the
    // user should check.
    bool unsure = false;
    friend bool operator==(const LineTime &, const LineTime &) = default;
};

// The times of a script's non-blank lines, or why there are none.
struct Timing
{
    QList<LineTime> times; // one for each line, in order
    QString failure; // in the user's words; when set, nothing is written
};

// Gives a conversion run the times of its lines in place of the ones
// estimated from their lengths. The run asks once it has read the whole
// source and found every line fit to be written, so that a source it would
// refuse anyway costs no time here; it may wait for as long as it takes.
class LineTiming
{
public:
    virtual ~LineTiming();
    virtual Timing timesFor(const QList<TimedLine> &lines) = 0;
};

} // namespace captiloom::conversion
