#include "subtitle_document.h"

#include "digits.h"

#include "platform/file_system.h"

#include <algorithm>
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

// The most a block can take beyond its text: a number of up to 20
// characters, two clocks and the fixed parts.
constexpr qsizetype largestFrame =
    20 + 2 + (TimeText::maxWrittenSize + 4) + 5 + (TimeText::maxWrittenSize + 4) + 2 + 4;

// Writes the block at `out`, which has room for largestFrame and the line, and
// returns its end.
char *writeBlock(char *out, qint64 SubtitleIndex, ClockPair start, ClockPair end,
                 QByteArrayView line)
{
    out = std::to_chars(out, out + 20, SubtitleIndex).ptr;
    out = writeText(out, "\r\n");
    out = writeClock(out, start);
    out = writeText(out, " --> ");
    out = writeClock(out, end);
    out = writeText(out, "\r\n");
    if (!line.isEmpty())
        std::memcpy(out, line.data(), line.size());
    return writeText(out + line.size(), "\r\n\r\n");
}

} // namespace

void DocumentWriter::appendBlock(qint64 SubtitleIndex, ClockPair start, ClockPair end,
                                 QByteArrayView line)
{
    const qsizetype room = largestFrame + line.size();
    if (m_text.size() - m_used < room)
        m_text.resize(std::max(2 * m_text.size(), m_used + room));
    char *const at = m_text.data() + m_used;
    m_used += writeBlock(at, SubtitleIndex, start, end, line) - at;
}

QByteArray &DocumentWriter::text()
{
    m_text.resize(m_used);
    return m_text;
}

void AppendBlock(QByteArray &SubtitleText, qint64 SubtitleIndex, ClockPair start, ClockPair end,
                 QByteArrayView line)
{
    // Written straight into the document's free room: with tens of thousands
    // of blocks, the cost of general appends would be most of the cost of the
    // document.
    const qsizetype at = SubtitleText.size();
    SubtitleText.resize(at + largestFrame + line.size());
    char *const begin = SubtitleText.data() + at;
    SubtitleText.resize(at + (writeBlock(begin, SubtitleIndex, start, end, line) - begin));
}

QString WriteDocument(const QString &OutputPath, const QByteArray &SubtitleText)
{
    return platform::replaceFile(OutputPath, SubtitleText);
}

} // namespace captiloom::conversion
