#include "subtitle_document.h"

#include "file_system.h"

namespace captiloom::conversion {

namespace {

void appendTwoDigits(QByteArray &out, qint64 value)
{
    out.append(static_cast<char>('0' + value / 10));
    out.append(static_cast<char>('0' + value % 10));
}

} // namespace

void DocumentWriter::appendClock(ClockPair pair)
{
    const qint64 total = pair.time.totalSeconds();
    const qint64 hours = total / 3600;
    // A third digit and more only past 99 hours.
    if (hours > 99)
        m_text.append(QByteArray::number(hours / 100));
    appendTwoDigits(m_text, hours % 100);
    m_text.append(':');
    appendTwoDigits(m_text, total / 60 % 60);
    m_text.append(':');
    appendTwoDigits(m_text, total % 60);
    m_text.append(',');
    m_text.append(static_cast<char>('0' + pair.ms / 100));
    appendTwoDigits(m_text, pair.ms % 100);
}

void DocumentWriter::appendBlock(qint64 SubtitleIndex, ClockPair start, ClockPair end,
                                 QByteArrayView line)
{
    m_text.append(QByteArray::number(SubtitleIndex));
    m_text.append("\r\n");
    appendClock(start);
    m_text.append(" --> ");
    appendClock(end);
    m_text.append("\r\n");
    m_text.append(line);
    m_text.append("\r\n\r\n");
}

QString WriteDocument(const QString &OutputPath, const QByteArray &SubtitleText)
{
    return platform::replaceFile(OutputPath, SubtitleText);
}

} // namespace captiloom::conversion
