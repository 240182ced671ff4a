#include "subtitle_document.h"

#include "digits.h"

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
    writeTwoDigits(out + 2, pair.ms % 100);
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
    // The number and the time line are put together on the stack, and the
    // block is copied into the document's free room in one piece: with tens of
    // thousands of blocks, the cost of a general append would be most of the
    // cost of the document.
    constexpr std::string_view arrow = " --> ";
    constexpr std::string_view blockEnd = "\r\n\r\n";
    constexpr qsizetype clockSize = TimeText::maxWrittenSize + 4;
    char head[20 + 2 + clockSize + arrow.size() + clockSize + 2];
    char *out = std::to_chars(head, head + 20, SubtitleIndex).ptr;
    out = writeText(out, "\r\n");
    out = writeClock(out, start);
    out = writeText(out, arrow);
    out = writeClock(out, end);
    out = writeText(out, "\r\n");

    const qsizetype at = SubtitleText.size();
    const qsizetype headSize = out - head;
    SubtitleText.resize(at + headSize + line.size() + qsizetype(blockEnd.size()));
    char *block = SubtitleText.data() + at;
    block = std::copy(head, out, block);
    block = std::copy(line.begin(), line.end(), block);
    writeText(block, blockEnd);
}

QString WriteDocument(const QString &OutputPath, const QByteArray &SubtitleText)
{
    return platform::replaceFile(OutputPath, SubtitleText);
}

} // namespace captiloom::conversion
