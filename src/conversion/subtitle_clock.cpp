#include "subtitle_clock.h"

#include <QList>

#include <charconv>

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

char *TimeText::writeLongTo(char *out) const
{
    // No run goes back before the clock's zero, but a time that did would
    // still be written as one: with a sign.
    if (m_seconds < 0)
        *out++ = '-';
    const quint64 total = m_seconds < 0 ? 0 - quint64(m_seconds) : quint64(m_seconds);
    const quint64 hours = total / 3600;
    const auto seconds = static_cast<quint32>(total - hours * 3600);
    if (hours > 99)
        out = std::to_chars(out, out + 14, hours / 100).ptr;
    writeTwoDigits(out, static_cast<quint32>(hours % 100));
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

} // namespace captiloom::conversion
