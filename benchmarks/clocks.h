#pragma once

#include <QtGlobal>

#include <ctime>

namespace captiloom::bench {

// The monotonic clock in nanoseconds, one clock for every process of the
// machine, so a child's reading can be set against its parent's.
inline qint64 monotonicNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace captiloom::bench
