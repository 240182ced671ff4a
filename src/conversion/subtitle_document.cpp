#include "subtitle_document.h"

#include "platform/file_system.h"

namespace captiloom::conversion {

namespace {

void appendClock(QByteArray &out, ClockPair pair)
{
    pair.time.appendTo(out);
    const char ms[4] = { ',', static_cast<char>('0' + pair.ms / 100),
                         static_cast<char>('0' + pair.ms / 10 % 10),
                         static_cast<char>('0' + pair.ms % 10) };
    out.append(ms, sizeof ms);
}

} // namespace

void AppendBlock(QByteArray &SubtitleText, qint64 SubtitleIndex, ClockPair start, ClockPair end,
                 QByteArrayView line)
{
    SubtitleText.append(QByteArray::number(SubtitleIndex));
    SubtitleText.append("\r\n");
    appendClock(SubtitleText, start);
    SubtitleText.append(" --> ");
    appendClock(SubtitleText, end);
    SubtitleText.append("\r\n");
    SubtitleText.append(line);
    SubtitleText.append("\r\n\r\n");
}

QString WriteDocument(const QString &OutputPath, const QByteArray &SubtitleText)
{
    return platform::replaceFile(OutputPath, SubtitleText);
}

} // namespace captiloom::conversion
