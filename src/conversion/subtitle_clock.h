#pragma once

#include "digits.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace captiloom::conversion {

// A time of day on the subtitle clock, HH:MM:SS. Hours keep counting past 23
// (a long narration may run for more than a day of subtitles) and are always
// written with at least two digits.
class TimeText
{
public:
    constexpr TimeText() = default;
    constexpr explicit TimeText(qint64 totalSeconds)
        : m_seconds(totalSeconds)
    { }
    static std::optional<TimeText> parse(QStringView text);

    constexpr qint64 totalSeconds() const { return m_seconds; }
    QString toString() const;
    void appendTo(QByteArray &out) const;

    // The longest text writeTo() can write: a sign, the hundreds of hours of
    // the largest count of seconds, then "HH:MM:SS".
    static constexpr qsizetype maxWrittenSize = 1 + 14 + 8;
    // Writes the text at `out` and returns its end: what appendTo() appends,
    // for callers that put a whole block together first. Inline for the times
    // below 100 hours that every run writes.
    char *writeTo(char *out) const
    {
        if (!isShort())
            return writeLongTo(out);
        const auto total = static_cast<quint32>(m_seconds);
        const quint32 hours = total / 3600;
        const quint32 seconds = total - hours * 3600;
        const quint32 minutes = seconds / 60;
        writeTwoDigits(out, hours);
        out[2] = ':';
        writeTwoDigits(out + 3, minutes);
        out[5] = ':';
        writeTwoDigits(out + 6, seconds - minutes * 60);
        return out + 8;
    }

    friend constexpr bool operator==(TimeText, TimeText) = default;

private:
    constexpr bool isShort() const { return m_seconds >= 0 && m_seconds < 100 * 3600; }
    char *writeLongTo(char *out) const;

    qint64 m_seconds = 0;
};

// A point on the clock: the time text and its milliseconds (0 to 999).
struct ClockPair
{
    TimeText time;
    int ms = 0;
    friend constexpr bool operator==(const ClockPair &, const ClockPair &) = default;
};

inline constexpr TimeText firstStartTime { 12 };
inline constexpr int firstStartMs = 440;
inline constexpr int blankPauseSeconds = 2;
// The longest line, in UTF-16 code units, that the clock can time.
inline constexpr qsizetype longestLine = 23;

// The run times every source line with these, so they are inline.

constexpr TimeText AddSeconds(TimeText timeText, qint64 seconds)
{
    return TimeText(timeText.totalSeconds() + seconds);
}

namespace detail {

// std::nearbyint in the default rounding mode, which is not constexpr yet:
// the nearest whole number, halves to the even neighbour. Exact for the small
// quotients of the duration rule.
constexpr double roundHalfEven(double value)
{
    const auto whole = static_cast<double>(static_cast<qint64>(value));
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && static_cast<qint64>(whole) % 2 != 0))
        return whole + 1;
    return whole;
}

constexpr int secondsFor(qsizetype units)
{
    // Lengths count UTF-16 bytes, two per code unit. Halves go to the even
    // neighbour, which the timing table depends on (4.5 seconds gives 4, 5.5
    // gives 6).
    const double b = 2.0 * static_cast<double>(units);
    double seconds = roundHalfEven(b * 2.0 / 14.0);
    if (b > 24.0)
        seconds = roundHalfEven(b * 2.0 / 16.0);
    return static_cast<int>(seconds);
}

// The lengths a run accepts, worked out once, at compile time.
inline constexpr auto knownSeconds = [] {
    std::array<int, longestLine + 1> seconds {};
    for (qsizetype units = 0; units <= longestLine; ++units)
        seconds[units] = secondsFor(units);
    return seconds;
}();

} // namespace detail

// Whole seconds a narrator needs for a line, from its length alone.
constexpr int LineSeconds(QStringView line)
{
    return line.size() <= longestLine ? detail::knownSeconds[line.size()]
                                      : detail::secondsFor(line.size());
}

constexpr TimeText AdvanceForBlank(TimeText StartTime)
{
    return AddSeconds(StartTime, blankPauseSeconds);
}

// End of a line that starts at (StartTime, StartMs). A one-character line lasts
// half a second; every other line a whole number of seconds.
constexpr ClockPair AdvanceForLine(TimeText StartTime, int StartMs, QStringView line)
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
