#pragma once

#include <QString>

namespace captiloom::conversion {

class LineTiming;
class Services;

// Converts the source text at SourcePath into a timed subtitle file at
// OutputPath, talking to the user only through `services`. Everything the
// user needs to know, failures included, reaches them through those; the old
// output file is never touched until the new one is complete.
void RunConversion(QString SourcePath, QString OutputPath, Services &services);

// The same, with every non-blank line shown when `timing` says instead of
// from its length. A timing that fails is told to the user as a message, and
// nothing is written.
void RunConversion(QString SourcePath, QString OutputPath, Services &services, LineTiming &timing);

} // namespace captiloom::conversion
