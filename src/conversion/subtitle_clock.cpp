#include "subtitle_clock.h"

#include "digits.h"

#include <QList>

#include <array>
#include <charconv>
#include <cmath>

namespace captiloom::conversion {

std::optional<TimeText> TimeText::parse(QStringView text)
{
    const auto parts = text.split(u':');
    if (parts.size() != 3)
        return std::nullopt;
    qint64 total = 0;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const qint64 value = parts[i].toLongLong(&ok);
        if (!ok || value < 0 || (i > 0 && value > 59))
            return std::nullopt;
        total = total * 60 + value;
    }
    return TimeText(total);
}

char *TimeText::writeTo(char *out) const
{
    // No run goes back before the clock's zero, but a time that did would
    // still be written as one: with a sign.
    if (m_seconds < 0)
        *out++ = '-';
    const quint64 total = m_seconds < 0 ? 0 - quint64(m_seconds) : quint64(m_seconds);
    const quint64 hours = total / 3600;
    const auto seconds = static_cast<int>(total - hours * 3600);
    if (hours > 99)
        out = std::to_chars(out, out + maxWrittenSize, hours / 100).ptr;
    writeTwoDigits(out, static_cast<int>(hours % 100));
    out[2] = ':';
    writeTwoDigits(out + 3, seconds / 60);
    out[5] = ':';
    writeTwoDigits(out + 6, seconds % 60);
    return out + 8;
}

void TimeText::appendTo(QByteArray &out) const
{
    char text[maxWrittenSize];
    out.append(text, writeTo(text) - text);
}

QString TimeText::toString() const
{
    QByteArray text;
    appendTo(text);
    return QString::fromLatin1(text);
}

TimeText AddSeconds(TimeText timeText, qint64 seconds)
{
    return TimeText(timeText.totalSeconds() + seconds);
}

namespace {

int secondsFor(qsizetype units)
{
    // Lengths count UTF-16 bytes, two per code unit. std::nearbyint rounds
    // halves to the even neighbour, which the timing table depends on
    // (4.5 seconds gives 4, 5.5 gives 6).
    const double b = 2.0 * static_cast<double>(units);
    double seconds = std::nearbyint(b * 2.0 / 14.0);
    if (b > 24.0)
        seconds = std::nearbyint(b * 2.0 / 16.0);
    return static_cast<int>(seconds);
}

} // namespace

int LineSeconds(QStringView line)
{
    // Every line of a run asks, and only a few lengths pass the run's check:
    // those are worked out once.
    static const auto known = [] {
        std::array<int, longestLine + 1> seconds {};
        for (qsizetype units = 0; units <= longestLine; ++units)
            seconds[units] = secondsFor(units);
        return seconds;
    }();
    return line.size() <= longestLine ? known[line.size()] : secondsFor(line.size());
}

TimeText AdvanceForBlank(TimeText StartTime)
{
    return AddSeconds(StartTime, blankPauseSeconds);
}

ClockPair AdvanceForLine(TimeText StartTime, int StartMs, QStringView line)
{
    int Seconds = LineSeconds(line);
    int EndMs = StartMs;
    if (Seconds == 0) {
        EndMs = StartMs + 500;
        if (EndMs >= 1000) {
            EndMs -= 1000;
            Seconds = 1;
        }
    }
    return { AddSeconds(StartTime, Seconds), EndMs };
}

} // namespace captiloom::conversion
