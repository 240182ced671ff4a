#pragma once

#include "subtitle_document.h"

#include <QString>

namespace captiloom::console {

// Converts one script to its derived output name, each line timed to where
// it is spoken in `recording`, with one line on standard error for every
// message, as convertFiles() does; the lines whose start is an estimate are
// named, with their times, before the closing line. Returns the exit status:
// 0 when the file was written, 1 otherwise.
int convertToRecording(const QString &source, const QString &recording, bool overwrite,
                       conversion::DocumentFormat format);

} // namespace captiloom::console
