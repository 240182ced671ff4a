#pragma once

#include <QStringView>
#include <QtGlobal>

#include <cmath>

namespace captiloom::conversion {

// A time on the subtitle clock, written HH:MM:SS. Hours keep counting past 23
// (a long narration may run for more than a day of subtitles) and are always
// written with at least two digits.
class TimeText
{
public:
    constexpr TimeText() = default;
    constexpr explicit TimeText(qint64 totalSeconds)
        : m_seconds(totalSeconds)
    { }
    constexpr qint64 totalSeconds() const { return m_seconds; }
    friend constexpr bool operator==(TimeText, TimeText) = default;

private:
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

// The point `ms` milliseconds after 00:00:00,000.
constexpr ClockPair clockAt(qint64 ms)
{
    return { TimeText(ms / 1000), static_cast<int>(ms % 1000) };
}

inline TimeText AddSeconds(TimeText timeText, qint64 seconds)
{
    return TimeText(timeText.totalSeconds() + seconds);
}

// Whole seconds a narrator needs for a line of `length` UTF-16 code units,
// from its length alone: its UTF-16 byte length times 2 over 14, or over 16
// for lines of more than 24 bytes. Halves go to the even neighbour
// (std::nearbyint in the default rounding mode), which the timing depends on:
// 4.5 seconds gives 4, 5.5 gives 6.
inline int SecondsForLength(qsizetype length)
{
    const double b = 2.0 * static_cast<double>(length);
    double seconds = std::nearbyint(b * 2 / 14);
    if (b > 24)
        seconds = std::nearbyint(b * 2 / 16);
    return static_cast<int>(seconds);
}

inline int LineSeconds(QStringView line)
{
    return SecondsForLength(line.size());
}

inline TimeText AdvanceForBlank(TimeText StartTime)
{
    return AddSeconds(StartTime, blankPauseSeconds);
}

// End of a line that starts at (StartTime, StartMs). A one-character line lasts
// half a second; every other line a whole number of seconds.
inline ClockPair AdvanceForLine(TimeText StartTime, int StartMs, QStringView line)
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
