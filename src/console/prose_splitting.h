#pragma once

#include <QStringList>

namespace captiloom::console {

// Splits each prose source, in order, into a script beside it (see
// conversion::WriteScript), with one line on standard error for each: what
// was written, or why nothing was. An existing script is kept unless
// `overwrite`. Several end with a line that counts what became of them.
// Returns the exit status: 0 when every source gave a script that converts
// (into an SRT file at least), or needed none; 1 otherwise.
int splitFiles(const QStringList &sources, bool overwrite);

// Splitting one source before the window opens with the result chosen.
struct SplitForWindow
{
    QString chosen; // the script, or the source itself when there is none to take
    bool written = false; // `chosen` is a script written just now
    QString message; // for the user to read in the window
    int status = 0;
};
SplitForWindow splitForWindow(const QString &source, bool overwrite);

} // namespace captiloom::console
