#pragma once

#include <QString>

namespace captiloom::bench {

// The sources the benchmarks convert, written once into a folder. Every byte
// comes from a fixed seed, so two runs on any machine convert the same text.
struct Workloads
{
    // The largest source the tool accepts: 32 767 GBK lines ended by CR LF.
    QString largest;
    // Its first eighth, quarter and half of the lines, for the scaling series.
    QString largestEighth;
    QString largestQuarter;
    QString largestHalf;
    // A typical source of a few minutes of narration.
    QString typical;
    // Hostile sources: 512 MiB without a line break, and more lines than the
    // line counter can hold.
    QString endlessLine;
    QString tooManyLines;
};

// Writes the workloads into `directory`; returns false when a file cannot be
// written.
bool writeWorkloads(const QString &directory, Workloads &workloads);

} // namespace captiloom::bench
