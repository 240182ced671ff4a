#include "source_text.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace captiloom::platform {

namespace {

constexpr qsizetype chunkSize = 64 * 1024;

// Finds where every CR of a buffer of bytes or of UTF-16 units lies, writes
// their indexes to `at` and returns how many there are. Lines are short, so a
// library search call for each would cost more than the search: the units
// are compared sixteen bytes at a time where the processor can, one at a time
// elsewhere. Most blocks hold no CR or one, and whether one does follows no
// pattern a processor could guess, so each block's first CR is written
// without asking: `out` has room for one index more than there are units.
template<typename Unit> qsizetype findAll(const Unit *units, qsizetype size, qsizetype *out)
{
    qsizetype count = 0;
    qsizetype i = 0;
#if defined(__SSE2__)
    constexpr qsizetype perBlock = 16 / sizeof(Unit);
    const __m128i crs = sizeof(Unit) == 1 ? _mm_set1_epi8('\r') : _mm_set1_epi16('\r');
    for (; i + perBlock <= size; i += perBlock) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(units + i));
        // One bit a byte, so two for a CR unit of UTF-16.
        auto hits = static_cast<unsigned>(_mm_movemask_epi8(
            sizeof(Unit) == 1 ? _mm_cmpeq_epi8(block, crs) : _mm_cmpeq_epi16(block, crs)));
        const auto next = [&] {
            // The bit above the block's makes the count defined for a block
            // without a CR, with no test for one.
            out[count] = i + std::countr_zero(hits | 0x10000u) / qsizetype(sizeof(Unit));
            count += hits != 0;
            hits &= hits - 1;
            if constexpr (sizeof(Unit) == 2)
                hits &= hits - 1;
        };
        next();
        while (hits != 0)
            next();
    }
#endif
    for (; i < size; ++i) {
        out[count] = i;
        count += units[i] == '\r';
    }
    return count;
}

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

SourceText::SourceText(const QString &path)
    : m_file(path)
{
    m_buffer.resize(chunkSize);
    m_line.reserve(keptBytes);
    // A chunk decodes to no more UTF-16 units than it has bytes.
    m_crs = std::make_unique_for_overwrite<qsizetype[]>(chunkSize + 1);
    m_aheadCrs = std::make_unique_for_overwrite<qsizetype[]>(chunkSize + 1);
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
    // The first read's CRs were looked for in bytes; a UTF-16 file's are units.
    if (unitSize() == 2)
        findCrs();

    // Counting only needs the CRs: the lines that end in the buffer are passed
    // over all at once, and only a line that runs on into the next read is
    // followed the long way.
    qint64 count = 0;
    while (count <= limit) {
        count += passWholeLines();
        if (count > limit || !nextLine())
            break;
        ++count;
    }
    m_counting = false;
    if (m_failed)
        return -1;
    const ByteOrderMark found = decideEncoding(mark, m_detector);
    m_encoding = found.encoding;
    m_markLength = found.length;
    return count;
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
    if (got > 0) {
        if (m_counting)
            m_detector.feed(QByteArrayView(m_buffer.constData() + m_end, got));
        m_end += got;
        m_bytesRead += got;
    }
    findCrs();
    return got > 0;
}

inline bool SourceText::isUnit(qsizetype at, char value) const
{
    switch (m_encoding) {
    case Encoding::Utf16LittleEndian:
        return m_buffer[at] == value && m_buffer[at + 1] == 0;
    case Encoding::Utf16BigEndian:
        return m_buffer[at] == 0 && m_buffer[at + 1] == value;
    case Encoding::CodePage:
    case Encoding::Utf8:
        break;
    }
    return m_buffer[at] == value;
}

void SourceText::findCrs()
{
    m_nextCr = 0;
    if (unitSize() == 1) {
        m_crCount = findAll(m_buffer.constData(), m_end, m_crs.get());
        return;
    }
    m_crCount = 0;
    for (qsizetype at = 0; at + 1 < m_end; at += 2) {
        if (isUnit(at, '\r'))
            m_crs[m_crCount++] = at;
    }
}

inline qsizetype SourceText::findCr(qsizetype from)
{
    while (m_nextCr < m_crCount && m_crs[m_nextCr] < from)
        ++m_nextCr;
    return m_nextCr < m_crCount ? m_crs[m_nextCr] : -1;
}

inline bool SourceText::endsLine(qsizetype cr) const
{
    // A CR ends its line once the unit after it is read too, which may be
    // the LF that belongs to it.
    return m_end - cr >= 2 * unitSize() || m_eof;
}

inline void SourceText::passEnd(qsizetype cr)
{
    const qsizetype unit = unitSize();
    m_pos = cr + unit;
    if (m_end - m_pos >= unit && isUnit(m_pos, '\n'))
        m_pos += unit;
}

qsizetype SourceText::passWholeLines()
{
    // What nextLine() does line by line, for every line that ends in the buffer.
    findCr(m_pos);
    qsizetype last = m_crCount;
    if (last > m_nextCr && !endsLine(m_crs[last - 1]))
        --last;
    const qsizetype lines = last - m_nextCr;
    if (lines > 0) {
        passEnd(m_crs[last - 1]);
        m_nextCr = last;
    }
    return lines;
}

void SourceText::keep(qsizetype from, qsizetype to)
{
    const qsizetype room = keptBytes - m_line.size();
    if (room > 0)
        m_line.append(m_buffer.constData() + from, std::min(room, to - from));
    m_lineLength += to - from;
}

inline void SourceText::take(qsizetype from, qsizetype to, bool spanned)
{
    if (spanned) {
        keep(from, to);
        m_lineStart = -1;
    } else {
        m_lineLength = to - from;
        m_lineStart = from;
    }
}

bool SourceText::nextLine()
{
    const qsizetype unit = unitSize();
    bool spanned = false; // part of the line is kept in m_line already
    for (;;) {
        const qsizetype cr = findCr(m_pos);
        if (cr >= 0 && endsLine(cr)) {
            take(m_pos, cr, spanned);
            passEnd(cr);
            return true;
        }
        if (m_eof) {
            // The last line needs no terminator; a last odd byte of a UTF-16
            // file still belongs to it.
            if (m_pos == m_end && !spanned)
                return false;
            take(m_pos, m_end, spanned);
            m_pos = m_end;
            return true;
        }
        // Keep what the line has so far, but for a half unit or a CR that
        // waits for its LF, and read on.
        const qsizetype upTo = cr >= 0 ? cr : m_pos + (m_end - m_pos) / unit * unit;
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
    if (oddByte)
        *end++ = QChar::ReplacementCharacter;
    m_text.truncate(end - m_text.constData());
    m_unicode.resetState();
}

QStringView SourceText::decodedAhead()
{
    // Setting the code page's converter going costs more than converting a
    // short line, so the whole lines in the buffer are decoded in one call and
    // split where their CRs are: a CR is never part of a multi-byte character,
    // so each line's text is what decoding it alone gives. Should the text's
    // CRs not match the bytes' after all, each line is decoded alone.
    if (m_lineStart < 0 || m_encoding != Encoding::CodePage)
        return {};
    if (m_lineStart != m_aheadByte) {
        m_ahead.resize(0); // keeping its room: clear() would give it back
        m_aheadCrCount = 0;
        m_aheadLine = 0;
        m_aheadText = 0;
        // The CR that ended this line, and the ones after it.
        const qsizetype lineCrs = m_crCount - m_nextCr;
        if (lineCrs > 0 && m_crs[m_nextCr] >= m_lineStart) {
            const QByteArrayView lines(m_buffer.constData() + m_lineStart,
                                       m_crs[m_crCount - 1] + 1 - m_lineStart);
            m_codePage.decodeLine(lines, m_ahead);
            if (m_ahead.size() <= chunkSize)
                m_aheadCrCount = findAll(m_ahead.utf16(), m_ahead.size(), m_aheadCrs.get());
            if (m_aheadCrCount != lineCrs)
                m_aheadCrCount = 0;
        }
    }
    m_aheadByte = m_pos;
    if (m_aheadLine >= m_aheadCrCount)
        return {};
    const qsizetype cr = m_aheadCrs[m_aheadLine++];
    const QStringView text = QStringView(m_ahead).sliced(m_aheadText, cr - m_aheadText);
    // Past the CR, and past the LF when the line ended with CR LF.
    m_aheadText = cr + (m_pos - (m_lineStart + m_lineLength));
    return text;
}

bool SourceText::readLine(Line &line)
{
    if (!nextLine())
        return false;
    // Most lines lie whole in the buffer, and are handed out where they lie.
    const QByteArrayView bytes = m_lineStart < 0
        ? QByteArrayView(m_line)
        : QByteArrayView(m_buffer.constData() + m_lineStart, std::min(m_lineLength, keptBytes));
    line.cut = m_lineLength > bytes.size();
    line.bytes = bytes;
    line.unsavable.reset();
    if (line.cut) {
        decode(bytes);
        line.text = m_text;
        return true;
    }
    line.text = decodedAhead();
    if (line.text.isNull() && !bytes.isEmpty()) {
        decode(bytes);
        line.text = m_text;
    }
    if (m_encoding != Encoding::CodePage) {
        line.unsavable = m_codePage.encode(line.text, m_encoded);
        line.bytes = m_encoded;
    }
    return true;
}

} // namespace captiloom::platform
