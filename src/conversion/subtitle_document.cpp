#include "subtitle_document.h"

#include "platform/file_system.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace captiloom::conversion {

namespace {

char *writeClock(char *out, ClockPair pair)
{
    out = pair.time.writeTo(out);
    out[0] = ',';
    out[1] = static_cast<char>('0' + pair.ms / 100);
    out[2] = static_cast<char>('0' + pair.ms / 10 % 10);
    out[3] = static_cast<char>('0' + pair.ms % 10);
    return out + 4;
}

char *writeText(char *out, std::string_view text)
{
    return std::copy(text.begin(), text.end(), out);
}

} // namespace

void AppendBlock(QByteArray &SubtitleText, qint64 SubtitleIndex, ClockPair start, ClockPair end,
                 QByteArrayView line)
{
    // The number and the time line are put together on the stack and the
    // document grows by three appends a block: with tens of thousands of
    // blocks, the cost of each append is most of the cost of the document.
    constexpr std::string_view arrow = " --> ";
    constexpr qsizetype clockSize = TimeText::maxWrittenSize + 4;
    char head[20 + 2 + clockSize + arrow.size() + clockSize + 2];
    char *out = std::to_chars(head, head + 20, SubtitleIndex).ptr;
    out = writeText(out, "\r\n");
    out = writeClock(out, start);
    out = writeText(out, arrow);
    out = writeClock(out, end);
    out = writeText(out, "\r\n");
    SubtitleText.append(head, out - head);
    SubtitleText.append(line);
    SubtitleText.append("\r\n\r\n", 4);
}

QString WriteDocument(const QString &OutputPath, const QByteArray &SubtitleText)
{
    return platform::replaceFile(OutputPath, SubtitleText);
}

} // namespace captiloom::conversion
