#include "subtitle_document.h"

#include "file_system.h"

#include <algorithm>
#include <charconv>

namespace captiloom::conversion {

namespace {

char *writeTwoDigits(char *out, unsigned value)
{
    *out++ = static_cast<char>('0' + value / 10);
    *out++ = static_cast<char>('0' + value % 10);
    return out;
}

// Writes "HH:MM:SS,mmm"; hours get a third digit and more only past 99.
char *writeClock(char *out, ClockPair pair)
{
    const qint64 total = pair.time.totalSeconds();
    const qint64 hours = total / 3600;
    if (hours > 99)
        out = std::to_chars(out, out + 20, hours / 100).ptr;
    // In 32 bits from here on: 64-bit divisions would cost as much as all the
    // rest of a block.
    const auto seconds = static_cast<unsigned>(total - hours * 3600);
    const auto minutes = seconds / 60;
    out = writeTwoDigits(out, static_cast<unsigned>(hours % 100));
    *out++ = ':';
    out = writeTwoDigits(out, minutes);
    *out++ = ':';
    out = writeTwoDigits(out, seconds - minutes * 60);
    *out++ = ',';
    const auto ms = static_cast<unsigned>(pair.ms);
    const unsigned hundreds = ms / 100;
    *out++ = static_cast<char>('0' + hundreds);
    return writeTwoDigits(out, ms - hundreds * 100);
}

} // namespace

DocumentFormat formatOf(const QString &OutputPath)
{
    return OutputPath.endsWith(u".srt", Qt::CaseInsensitive) ? DocumentFormat::Srt
                                                             : DocumentFormat::Utf;
}

void DocumentWriter::appendBlock(qint64 SubtitleIndex, ClockPair start, ClockPair end,
                                 QByteArrayView line)
{
    // Written straight into room made ahead: with tens of thousands of
    // blocks, general appends, or even growing the text by each block, would
    // cost more than all the rest of the document. The number, two clocks of
    // up to 100 000 000 hours and the fixed parts take less than 100 bytes.
    constexpr qsizetype frame = 100;
    const qsizetype needed = m_size + frame + line.size();
    if (needed > m_text.size())
        m_text.resize(std::max(needed, 2 * m_text.size()));
    char *const begin = m_text.data() + m_size;
    const auto endLine = [this](char *out) {
        return std::copy(m_lineEnd.begin(), m_lineEnd.end(), out);
    };
    char *out = std::to_chars(begin, begin + 20, SubtitleIndex).ptr;
    out = endLine(out);
    out = writeClock(out, start);
    for (const char c : { ' ', '-', '-', '>', ' ' })
        *out++ = c;
    out = writeClock(out, end);
    out = endLine(out);
    out = std::copy(line.begin(), line.end(), out);
    out = endLine(endLine(out));
    m_size = out - m_text.constData();
}

QByteArray DocumentWriter::take()
{
    m_text.truncate(m_size);
    m_size = 0;
    return std::move(m_text);
}

QString clockText(ClockPair pair)
{
    char text[40];
    return QString::fromLatin1(text, writeClock(text, pair) - text);
}

QString WriteDocument(const QString &OutputPath, const QByteArray &SubtitleText)
{
    return platform::replaceFile(OutputPath, SubtitleText);
}

} // namespace captiloom::conversion
