#include "subtitle_document.h"

#include "digits.h"

#include "platform/file_system.h"

#include <charconv>
#include <cstring>
#include <tuple>
#include <utility>

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

namespace {

// Written straight into the document's free room: with tens of thousands of
// blocks, the cost of general appends would be most of the cost of the
// document. The room is made for the longest block this text can give and
// then trimmed to the block. A start clock already written can be copied from
// `startText`; returns where the end clock's text lies in the document.
std::pair<qsizetype, qsizetype> writeBlock(QByteArray &SubtitleText, qint64 SubtitleIndex,
                                           ClockPair start, QByteArrayView startText, ClockPair end,
                                           QByteArrayView line)
{
    constexpr qsizetype numberSize = 20;
    constexpr qsizetype clockSize = TimeText::maxWrittenSize + 4;
    constexpr qsizetype frameSize = numberSize + 2 + clockSize + 5 + clockSize + 2 + 4;
    const qsizetype at = SubtitleText.size();
    SubtitleText.resize(at + frameSize + line.size());
    char *const begin = SubtitleText.data() + at;
    char *out = std::to_chars(begin, begin + numberSize, SubtitleIndex).ptr;
    out = writeText(out, "\r\n");
    if (startText.isEmpty()) {
        out = writeClock(out, start);
    } else {
        std::memcpy(out, startText.data(), startText.size());
        out += startText.size();
    }
    out = writeText(out, " --> ");
    char *const endText = out;
    out = writeClock(out, end);
    const std::pair<qsizetype, qsizetype> endClock { at + (endText - begin), out - endText };
    out = writeText(out, "\r\n");
    if (!line.isEmpty())
        std::memcpy(out, line.data(), line.size());
    out = writeText(out + line.size(), "\r\n\r\n");
    SubtitleText.resize(at + (out - begin));
    return endClock;
}

} // namespace

void AppendBlock(QByteArray &SubtitleText, qint64 SubtitleIndex, ClockPair start, ClockPair end,
                 QByteArrayView line)
{
    writeBlock(SubtitleText, SubtitleIndex, start, {}, end, line);
}

void BlockWriter::appendBlock(qint64 SubtitleIndex, ClockPair start, ClockPair end,
                              QByteArrayView line)
{
    // Copied out first: the document may move while it grows.
    char startText[TimeText::maxWrittenSize + 4];
    qsizetype startSize = 0;
    if (m_lastEndAt >= 0 && start == m_lastEnd) {
        std::memcpy(startText, m_text.constData() + m_lastEndAt, m_lastEndSize);
        startSize = m_lastEndSize;
    }
    std::tie(m_lastEndAt, m_lastEndSize) =
        writeBlock(m_text, SubtitleIndex, start, QByteArrayView(startText, startSize), end, line);
    m_lastEnd = end;
}

QString WriteDocument(const QString &OutputPath, const QByteArray &SubtitleText)
{
    return platform::replaceFile(OutputPath, SubtitleText);
}

} // namespace captiloom::conversion
