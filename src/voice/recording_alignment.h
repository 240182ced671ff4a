#pragma once

#include "line_timing.h"

#include <QList>
#include <QString>

#include <functional>

namespace captiloom::voice {

// Where a script's lines are spoken in a recording of it.
struct Alignment
{
    // One for each line, in order; empty when the alignment failed.
    QList<conversion::LineTime> times;
    // Why it failed, in the user's language; empty on success.
    QString failure;

    bool succeeded() const { return failure.isEmpty(); }
};

// Called while the recording is decoded, with the milliseconds decoded so far
// (the total is not known before the end). Returning false stops the work;
// the alignment then fails with a message saying it was stopped.
using Progress = std::function<bool(qint64 decodedMs)>;

// Decodes the recording at `recordingPath` (wav, mp3, m4a/aac, flac; any rate,
// mono or stereo), finds its stretches of speech and assigns `lines` to them.
// Each line starts where it starts being spoken, lasts at least until it has
// been spoken to its end and never overlaps the next.
//
// Decoding takes an event loop: this runs one of its own until it is done, so
// it can be called from a command line's QCoreApplication as well as from a
// window's click, where the window goes on drawing itself and handling
// events meanwhile (the caller keeps the user from starting a second run).
// A relative path is taken from the current folder.
Alignment alignRecording(const QString &recordingPath, const QList<conversion::TimedLine> &lines,
                         const Progress &progress = {});

} // namespace captiloom::voice
