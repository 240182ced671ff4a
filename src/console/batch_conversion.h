#pragma once

#include "subtitle_document.h"

#include <QStringList>

#include <functional>

namespace captiloom::console {

// One source of a batch and the file made from it.
struct BatchJob
{
    QString name; // as the user gave it
    QString source; // full path, the platform's separators
    QString output;
    QString sourcePlace; // one text for every spelling of the source's place
};

// What became of one source of a batch.
enum class JobOutcome {
    Done,
    Unneeded, // nothing to do: the source is what the job would make of it
    Kept, // its output exists and was left alone
    Failed,
};

// What a batch does to its sources, which its lines name.
enum class BatchWork { Convert, Split };

// Hands each source, in order, to `handle` with the file `outputOf` makes of
// it, after the checks every batch needs: a source named twice is handled
// once, a file the batch itself writes is no source (what it read would
// depend on the order), and a folder or a device is refused with a line on
// standard error. A batch of several ends with a line that counts what
// became of them. Returns the exit status: 0 when every source was done or
// needed nothing, 1 otherwise.
int runBatch(BatchWork work, const QStringList &sources,
             const std::function<QString(const QString &)> &outputOf,
             const std::function<JobOutcome(const BatchJob &)> &handle);

// Converts each source, in order, to its derived output name, with the
// conversion run the window uses and one line on standard error for every
// message. A source that cannot be converted (too long a line, a character
// the code page cannot hold, a file error) stops only itself. An existing
// output is kept unless `overwrite`. More than one source ends with a line
// that counts the sources converted, kept and not converted. Returns the
// exit status: 0 when every source was converted, 1 otherwise.
int convertFiles(const QStringList &sources, bool overwrite,
                 conversion::DocumentFormat format = conversion::DocumentFormat::Utf);

} // namespace captiloom::console
