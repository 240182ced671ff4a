#include "subtitle_document.h"

#include "digits.h"

#include "platform/file_system.h"

#include <charconv>
#include <cstring>

namespace captiloom::conversion {

namespace {

char *writeClock(char *out, ClockPair pair)
{
    out = pair.time.writeTo(out);
    const auto ms = static_cast<unsigned>(pair.ms);
    out[0] = ',';
    out[1] = static_cast<char>('0' + ms / 100);
    writeTwoDigits(out + 2, ms % 100);
    return out + 4;
}

template<std::size_t size> char *writeText(char *out, const char (&text)[size])
{
    std::memcpy(out, text, size - 1);
    return out + size - 1;
}

} // namespace

void AppendBlock(QByteArray &SubtitleText, qint64 SubtitleIndex, ClockPair start, ClockPair end,
                 QByteArrayView line)
{
    // Written straight into the document's free room: with tens of thousands
    // of blocks, the cost of general appends would be most of the cost of the
    // document. The room is made for the longest block this text can give and
    // then trimmed to the block.
    constexpr qsizetype numberSize = 20;
    constexpr qsizetype clockSize = TimeText::maxWrittenSize + 4;
    constexpr qsizetype frameSize = numberSize + 2 + clockSize + 5 + clockSize + 2 + 4;
    const qsizetype at = SubtitleText.size();
    SubtitleText.resize(at + frameSize + line.size());
    char *const begin = SubtitleText.data() + at;
    char *out = std::to_chars(begin, begin + numberSize, SubtitleIndex).ptr;
    out = writeText(out, "\r\n");
    out = writeClock(out, start);
    out = writeText(out, " --> ");
    out = writeClock(out, end);
    out = writeText(out, "\r\n");
    if (!line.isEmpty())
        std::memcpy(out, line.data(), line.size());
    out = writeText(out + line.size(), "\r\n\r\n");
    SubtitleText.resize(at + (out - begin));
}

QString WriteDocument(const QString &OutputPath, const QByteArray &SubtitleText)
{
    return platform::replaceFile(OutputPath, SubtitleText);
}

} // namespace captiloom::conversion
