#pragma once

#include <QByteArray>
#include <QString>

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

    // Room that writeTo() may need: a sign, the hundreds of hours of the
    // largest count of seconds, then "HH:MM:SS".
    static constexpr qsizetype maxWrittenSize = 1 + 14 + 8;
    // Writes the text at `out` and returns the end of it; what appendTo()
    // appends, for callers that put a whole block together first.
    char *writeTo(char *out) const;

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

TimeText AddSeconds(TimeText timeText, qint64 seconds);

// Whole seconds a narrator needs for a line, from its length alone.
int LineSeconds(QStringView line);

TimeText AdvanceForBlank(TimeText StartTime);

// End of a line that starts at (StartTime, StartMs). A one-character line lasts
// half a second; every other line a whole number of seconds.
ClockPair AdvanceForLine(TimeText StartTime, int StartMs, QStringView line);

} // namespace captiloom::conversion
