#pragma once

#include "subtitle_document.h"

#include <QStringList>

namespace captiloom::console {

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
