#pragma once

#include "clocks.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace captiloom::bench {

struct ChildResult
{
    bool exitedCleanly = false; // exit status 0
    QByteArray output; // all it wrote to its standard output
    qint64 startNs = 0; // monotonic clock, just before the process was created
};

// Runs a program to its end and reports what it printed; its standard error
// goes where the caller's does, or nowhere when `quietErrors`.
ChildResult runChild(const QString &program, const QStringList &arguments,
                     bool quietErrors = false);

} // namespace captiloom::bench
