#include "source_text.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace captiloom::platform {

namespace {

constexpr qsizetype chunkSize = 64 * 1024;

QStringDecoder unicodeDecoder(SourceText::Encoding encoding)
{
    // Every line is decoded on its own, and the converter would take a U+FEFF
    // at the start of each for a byte-order mark and drop it: a character
    // lost from the subtitle, or a line that vanishes from its block. The
    // file's own mark is skipped before the first line.
    const auto flags =
        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;
    switch (encoding) {
    case SourceText::Encoding::Utf16LittleEndian:
        return QStringDecoder(QStringConverter::Utf16LE, flags);
    case SourceText::Encoding::Utf16BigEndian:
        return QStringDecoder(QStringConverter::Utf16BE, flags);
    case SourceText::Encoding::Utf8:
    case SourceText::Encoding::CodePage:
        break;
    }
    return QStringDecoder(QStringConverter::Utf8, flags);
}

} // namespace

SourceText::SourceText(const QString &path, Output output, qsizetype kept)
    : m_file(path)
    , m_output(output)
    , m_keptBytes(kept)
{
    m_buffer.resize(chunkSize);
    m_line.reserve(std::min(m_keptBytes, chunkSize));
}

bool SourceText::open()
{
    return m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void SourceText::startPass()
{
    m_pos = 0;
    m_end = 0;
    m_bytesRead = 0;
    m_eof = false;
    m_failed = false;
    // The first chunk, and the byte-order mark in it stepped over.
    fill();
    m_pos = std::min(m_markLength, m_end);
}

qint64 SourceText::countLines(qint64 limit)
{
    m_detector = {};
    m_counting = true;
    m_markLength = 0;
    m_encoding = Encoding::CodePage;
    startPass();
    const ByteOrderMark mark = byteOrderMark(QByteArrayView(m_buffer).first(m_end));
    m_encoding = mark.encoding;
    m_markLength = mark.length;
    m_pos = std::min(m_markLength, m_end);

    // Every CR ends a line, an LF right after it belonging to it; in a file
    // without CR, every LF does. A file that does not end with a line end
    // has one line more.
    const qsizetype unit = unitSize();
    qint64 crs = 0;
    qint64 lfs = 0;
    char16_t last = 0; // the file's last two whole units, once it has them
    char16_t beforeLast = 0;
    bool empty = true;
    do {
        const qsizetype whole = m_pos + (m_end - m_pos) / unit * unit;
        crs += count(u'\r', m_pos, whole);
        if (crs == 0)
            lfs += count(u'\n', m_pos, whole);
        if (whole > m_pos) {
            beforeLast = whole - m_pos >= 2 * unit ? unitAt(whole - 2 * unit) : last;
            last = unitAt(whole - unit);
            empty = false;
        }
        m_pos = whole;
    } while (crs <= limit && fill());
    m_counting = false;
    if (m_failed)
        return -1;
    m_terminator = crs > 0 ? u'\r' : u'\n';
    const bool ended = last == m_terminator || (crs > 0 && last == u'\n' && beforeLast == u'\r');
    // A last odd byte of a UTF-16 file is a line's, or a line of its own.
    const bool open = (!empty && !ended) || m_end > m_pos;

    const ByteOrderMark found = decideEncoding(mark, m_detector);
    m_encoding = found.encoding;
    m_markLength = found.length;
    return (crs > 0 ? crs : lfs) + open;
}

bool SourceText::rewind()
{
    if (!m_file.seek(0)) {
        m_failed = true;
        return false;
    }
    m_unicode = unicodeDecoder(m_encoding);
    startPass();
    return !m_failed;
}

bool SourceText::fill()
{
    if (m_eof || m_failed)
        return false;
    // Keep an unfinished unit (half of a UTF-16 character) in front of the new bytes.
    const qsizetype rest = m_end - m_pos;
    if (rest > 0)
        std::memmove(m_buffer.data(), m_buffer.constData() + m_pos, rest);
    m_pos = 0;
    m_end = rest;
    // The bytes moved: what was decoded ahead no longer lies where it did.
    m_aheadByte = -1;
    const qint64 got = m_file.read(m_buffer.data() + m_end, m_buffer.size() - m_end);
    m_failed = got < 0;
    m_eof = got == 0;
    if (got <= 0)
        return false;
    if (m_counting)
        m_detector.feed(QByteArrayView(m_buffer.constData() + m_end, got));
    m_end += got;
    m_bytesRead += got;
    return true;
}

inline char16_t SourceText::unitAt(qsizetype at) const
{
    const auto byte = [this](qsizetype i) {
        return static_cast<uchar>(m_buffer[i]);
    };
    switch (m_encoding) {
    case Encoding::Utf16LittleEndian:
        return char16_t(byte(at) | byte(at + 1) << 8);
    case Encoding::Utf16BigEndian:
        return char16_t(byte(at) << 8 | byte(at + 1));
    case Encoding::CodePage:
    case Encoding::Utf8:
        break;
    }
    return byte(at);
}

// Where the first whole unit from `from` on is `unit` (a CR or an LF), or -1.
// A code-page character never holds those bytes, nor does UTF-8's.
inline qsizetype SourceText::find(char16_t unit, qsizetype from) const
{
    const char *const data = m_buffer.constData();
    const auto byte = static_cast<char>(unit);
    if (unitSize() == 1) {
        const void *hit = std::memchr(data + from, byte, m_end - from);
        return hit ? static_cast<const char *>(hit) - data : -1;
    }
    // In UTF-16 the byte may also be half of another character (不 is
    // U+4E0D). The buffer starts at a unit, so units start at even places.
    for (qsizetype at = from; at < m_end;) {
        const void *hit = std::memchr(data + at, byte, m_end - at);
        if (!hit)
            return -1;
        const qsizetype found = static_cast<const char *>(hit) - data;
        const qsizetype start = found - found % 2;
        if (start + 1 < m_end && unitAt(start) == unit)
            return start;
        at = found + 1;
    }
    return -1;
}

// How many whole units from `from` to `to` are `unit`. Bytes are counted in
// blocks of a fixed size, a loop the compiler turns into vector instructions:
// one byte at a time, or a search call for each line end, took a third of a
// millisecond more on the largest source.
qsizetype SourceText::count(char16_t unit, qsizetype from, qsizetype to) const
{
    qsizetype found = 0;
    if (unitSize() == 2) {
        for (qsizetype at = from; at < to; at += 2)
            found += unitAt(at) == unit;
        return found;
    }
    const char *const data = m_buffer.constData();
    const auto byte = static_cast<char>(unit);
    constexpr qsizetype block = 64;
    for (; from + block <= to; from += block) {
        int inBlock = 0;
        for (qsizetype i = 0; i < block; ++i)
            inBlock += data[from + i] == byte;
        found += inBlock;
    }
    for (; from < to; ++from)
        found += data[from] == byte;
    return found;
}

void SourceText::keep(qsizetype from, qsizetype to)
{
    const qsizetype room = m_keptBytes - m_line.size();
    if (room > 0)
        m_line.append(m_buffer.constData() + from, std::min(room, to - from));
    m_lineLength += to - from;
}

bool SourceText::nextLine()
{
    const qsizetype unit = unitSize();
    bool spanned = false; // part of the line is kept in m_line already
    const auto take = [&](qsizetype from, qsizetype to) {
        if (spanned) {
            keep(from, to);
            m_lineStart = -1;
        } else {
            m_lineLength = to - from;
            m_lineStart = from;
        }
    };
    for (;;) {
        const qsizetype end = find(m_terminator, m_pos);
        // A CR ends its line once the unit after it is read too, which may
        // be the LF that belongs to it.
        const bool crWaits = m_terminator == u'\r' && m_end - end < 2 * unit && !m_eof;
        if (end >= 0 && !crWaits) {
            take(m_pos, end);
            m_pos = end + unit;
            if (m_terminator == u'\r' && m_end - m_pos >= unit && unitAt(m_pos) == u'\n')
                m_pos += unit;
            return true;
        }
        if (m_eof) {
            // The last line needs no terminator; a last odd byte of a UTF-16
            // file still belongs to it.
            if (m_pos == m_end && !spanned)
                return false;
            take(m_pos, m_end);
            m_pos = m_end;
            return true;
        }
        // Keep what the line has so far, but for a half unit or a CR that
        // waits for its LF, and read on.
        const qsizetype upTo = end >= 0 ? end : m_pos + (m_end - m_pos) / unit * unit;
        if (!spanned && upTo > m_pos) {
            spanned = true;
            m_line.resize(0);
            m_lineLength = 0;
        }
        keep(m_pos, upTo);
        m_pos = upTo;
        if (!fill() && m_failed)
            return false;
    }
}

void SourceText::decode(QByteArrayView bytes)
{
    if (m_encoding == Encoding::CodePage) {
        m_codePage.decodeLine(bytes, m_text);
        m_undecodable = m_text.contains(QChar::ReplacementCharacter);
        return;
    }
    // A lone last byte of a UTF-16 line is no character, and the converter
    // drops it when the line holds nothing else, which would leave a block
    // without text. Like any other bad byte it becomes a replacement
    // character, so that it counts and is reported.
    const bool oddByte = unitSize() == 2 && bytes.size() % 2 != 0;
    const QByteArrayView whole = oddByte ? bytes.chopped(1) : bytes;
    m_text.resize(m_unicode.requiredSpace(whole.size()) + 1);
    QChar *end = m_unicode.appendToBuffer(m_text.data(), whole);
    m_undecodable = oddByte || m_unicode.hasError();
    if (oddByte)
        *end++ = QChar::ReplacementCharacter;
    m_text.truncate(end - m_text.constData());
    m_unicode.resetState();
}

QStringView SourceText::decodedAhead()
{
    // Setting the code page's converter going costs more than converting a
    // short line, so the rest of the read is decoded in one call and split at
    // the same line ends. A terminator byte is never part of a character, so
    // each line's text is what decoding it alone gives, as long as no bytes
    // that form no character came before it: from the first replacement
    // character on, the lines of this read are decoded one by one.
    if (m_lineStart < 0 || m_encoding != Encoding::CodePage)
        return {};
    if (m_lineStart != m_aheadByte) {
        m_codePage.decodeLine(QByteArrayView(m_buffer).sliced(m_lineStart, m_end - m_lineStart),
                              m_ahead);
        m_aheadText = 0;
        m_aheadClean = m_ahead.indexOf(QChar::ReplacementCharacter);
        if (m_aheadClean < 0)
            m_aheadClean = m_ahead.size();
    }
    m_aheadByte = m_pos;
    if (m_aheadClean < 0)
        return {};
    const QStringView ahead(m_ahead);
    const qsizetype end = ahead.indexOf(QChar(m_terminator), m_aheadText);
    if (end < 0 || end > m_aheadClean) {
        m_aheadClean = -1;
        return {};
    }
    const QStringView text = ahead.sliced(m_aheadText, end - m_aheadText);
    m_aheadText = end + 1;
    if (m_terminator == u'\r' && m_aheadText < ahead.size() && ahead[m_aheadText] == u'\n')
        ++m_aheadText;
    return text;
}

bool SourceText::readLine(Line &line)
{
    if (!nextLine())
        return false;
    // Most lines lie whole in the buffer, and are handed out where they lie.
    const QByteArrayView bytes = m_lineStart < 0
        ? QByteArrayView(m_line)
        : QByteArrayView(m_buffer.constData() + m_lineStart, std::min(m_lineLength, m_keptBytes));
    line.cut = m_lineLength > bytes.size();
    line.bytes = bytes;
    line.unsavable.reset();
    line.undecodable = false;
    if (line.cut) {
        decode(bytes);
        line.text = m_text;
        return true;
    }
    line.text = decodedAhead();
    if (line.text.isNull() && !bytes.isEmpty()) {
        decode(bytes);
        line.text = m_text;
        line.undecodable = m_undecodable;
    }
    if (m_output == Output::Utf8) {
        // Lines decoded ahead are those before any replacement character.
        // A lone surrogate of a UTF-16 source is no character either, and
        // its encoder writes a replacement character for it.
        m_encoded.resize(m_utf8.requiredSpace(line.text.size()));
        m_encoded.truncate(m_utf8.appendToBuffer(m_encoded.data(), line.text)
                           - m_encoded.constData());
        line.undecodable = line.undecodable || m_utf8.hasError();
        m_utf8.resetState();
        line.bytes = m_encoded;
    } else if (m_encoding != Encoding::CodePage) {
        line.unsavable = m_codePage.encode(line.text, m_encoded);
        line.bytes = m_encoded;
    }
    return true;
}

} // namespace captiloom::platform
