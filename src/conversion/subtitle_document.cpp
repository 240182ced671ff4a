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
    // Written straight into the document's free room, sized exactly first:
    // with tens of thousands of blocks, the cost of general appends would be
    // most of the cost of the document.
    char number[20];
    const char *const numberEnd = std::to_chars(number, number + sizeof number, SubtitleIndex).ptr;
    const qsizetype numberSize = numberEnd - number;
    const qsizetype size = numberSize + 2 + start.time.writtenSize() + 4 + 5
        + end.time.writtenSize() + 4 + 2 + line.size() + 4;
    const qsizetype at = SubtitleText.size();
    SubtitleText.resize(at + size);
    char *out = SubtitleText.data() + at;
    for (const char *digit = number; digit != numberEnd; ++digit)
        *out++ = *digit;
    out = writeText(out, "\r\n");
    out = writeClock(out, start);
    out = writeText(out, " --> ");
    out = writeClock(out, end);
    out = writeText(out, "\r\n");
    if (!line.isEmpty())
        std::memcpy(out, line.data(), line.size());
    writeText(out + line.size(), "\r\n\r\n");
}

QString WriteDocument(const QString &OutputPath, const QByteArray &SubtitleText)
{
    return platform::replaceFile(OutputPath, SubtitleText);
}

} // namespace captiloom::conversion
