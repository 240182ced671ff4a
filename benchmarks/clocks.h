#pragma once

#include <QFile>
#include <QtGlobal>

#include <ctime>

#include <sys/resource.h>

namespace captiloom::bench {

inline qint64 nanoseconds(clockid_t clock)
{
    timespec now {};
    clock_gettime(clock, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// One clock for every process of the machine, so that a child's reading can
// be set against its parent's.
inline qint64 monotonicNs()
{
    return nanoseconds(CLOCK_MONOTONIC);
}

// The processor time this process has used so far, in all its threads and in
// the kernel on its behalf, from the start of its program loader on. Unlike
// the wall clock, it does not count the time other work on a busy machine
// takes the processor away, so figures taken from it stay put.
inline qint64 processCpuNs()
{
    return nanoseconds(CLOCK_PROCESS_CPUTIME_ID);
}

// The processor time of every child this process has waited for so far, in
// the same sense as processCpuNs().
inline qint64 childrenCpuNs()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto ns = [](const timeval &time) {
        return qint64(time.tv_sec) * 1'000'000'000 + qint64(time.tv_usec) * 1000;
    };
    return ns(usage.ru_utime) + ns(usage.ru_stime);
}

// The most memory this process image has held resident, in KiB, from the
// kernel's account of it. The parent cannot ask for it once the child is gone:
// the kernel's figure for an ended child would include what the parent held
// when it started the child, so the child reports its own.
inline qint64 peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line; !(line = status.readLine()).isEmpty();) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace captiloom::bench
