#include "source_encoding.h"

#include "code_page.h"

#include <bitset>
#include <cstring>

namespace captiloom::platform {

LineReader::UnitWidth unitWidthFor(SourceEncoding encoding)
{
    switch (encoding) {
    case SourceEncoding::Utf16LittleEndian:
        return LineReader::UnitWidth::Utf16LittleEndian;
    case SourceEncoding::Utf16BigEndian:
        return LineReader::UnitWidth::Utf16BigEndian;
    case SourceEncoding::CodePage:
    case SourceEncoding::Utf8:
        break;
    }
    return LineReader::UnitWidth::Byte;
}

ByteOrderMark detectByteOrderMark(QByteArrayView head)
{
    if (head.startsWith("\xEF\xBB\xBF"))
        return { SourceEncoding::Utf8, 3 };
    if (head.startsWith("\xFF\xFE"))
        return { SourceEncoding::Utf16LittleEndian, 2 };
    if (head.startsWith("\xFE\xFF"))
        return { SourceEncoding::Utf16BigEndian, 2 };
    return {};
}

namespace {

// The 7 445 characters of GB2312, learnt once from its converter.
const std::bitset<0x10000> &gb2312Characters()
{
    static const std::bitset<0x10000> characters = [] {
        QByteArray cells;
        for (int lead = 0xA1; lead <= 0xF7; ++lead) {
            for (int trail = 0xA1; trail <= 0xFE; ++trail) {
                cells.append(char(lead));
                cells.append(char(trail));
            }
        }
        // Its empty cells come out as private-use characters, none of which
        // could pass for GBK in UTF-8.
        std::bitset<0x10000> set;
        for (const QChar character : QString(QStringDecoder("GB2312").decode(cells)))
            set.set(character.unicode());
        return set;
    }();
    return characters;
}

} // namespace

void Utf8Detector::feed(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size() && m_valid; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            if (m_pending > 0) {
                m_valid = false;
                break;
            }
            if (m_oddRun)
                m_couldBeGbk = false;
            m_oddRun = false;
            // Between characters, plain ASCII needs no checking: skip it a
            // word at a time (a source may be hundreds of megabytes of it).
            while (i + 1 + 8 <= bytes.size()) {
                quint64 word;
                std::memcpy(&word, bytes.data() + i + 1, 8);
                if (word & 0x8080808080808080ULL)
                    break;
                i += 8;
            }
            continue;
        }
        if (m_couldBeGbk) {
            m_oddRun = !m_oddRun;
            m_couldBeGbk = byte > 0xA0;
        }
        if (m_pending > 0) {
            if (byte < m_low || byte > m_high) {
                m_valid = false;
                break;
            }
            m_low = 0x80;
            m_high = 0xBF;
            m_character = (m_character << 6) | (byte & 0x3F);
            // Once the text cannot be GBK, what it holds no longer matters.
            if (--m_pending == 0 && m_couldBeGbk && m_allChinese)
                m_allChinese = m_length == 3 && gb2312Characters().test(m_character);
            continue;
        }
        m_sawNonAscii = true;
        // Lead bytes and the range their first continuation byte must fall in
        // (the Unicode standard's table of well-formed sequences).
        if (byte >= 0xC2 && byte <= 0xDF) {
            m_pending = 1;
        } else if (byte == 0xE0) {
            m_pending = 2;
            m_low = 0xA0;
        } else if ((byte >= 0xE1 && byte <= 0xEC) || byte == 0xEE || byte == 0xEF) {
            m_pending = 2;
        } else if (byte == 0xED) {
            m_pending = 2;
            m_high = 0x9F;
        } else if (byte == 0xF0) {
            m_pending = 3;
            m_low = 0x90;
        } else if (byte >= 0xF1 && byte <= 0xF3) {
            m_pending = 3;
        } else if (byte == 0xF4) {
            m_pending = 3;
            m_high = 0x8F;
        } else {
            m_valid = false;
            break;
        }
        m_length = m_pending + 1;
        m_character = byte & (0x7F >> m_length);
    }
}

namespace {
QStringDecoder unicodeDecoder(SourceEncoding encoding)
{
    // Every line is decoded on its own, and the converter would take a U+FEFF
    // at the start of each for a byte-order mark and drop it: a character
    // lost from the subtitle, or a line that vanishes from its block. The
    // file's own mark is skipped before the first line.
    const auto flags =
        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;
    switch (encoding) {
    case SourceEncoding::Utf16LittleEndian:
        return QStringDecoder(QStringConverter::Utf16LE, flags);
    case SourceEncoding::Utf16BigEndian:
        return QStringDecoder(QStringConverter::Utf16BE, flags);
    case SourceEncoding::Utf8:
    case SourceEncoding::CodePage:
        break;
    }
    return QStringDecoder(QStringConverter::Utf8, flags);
}
} // namespace

SourceDecoder::SourceDecoder(SourceEncoding encoding, CodePage &codePage)
    : m_encoding(encoding)
    , m_codePage(codePage)
    , m_unicode(unicodeDecoder(encoding))
{ }

void SourceDecoder::decodeLine(QByteArrayView bytes, QString &out)
{
    if (m_encoding == SourceEncoding::CodePage) {
        m_codePage.decodeLine(bytes, out);
        return;
    }
    // A lone last byte of a UTF-16 line is no character, and the converter
    // drops it when the line holds nothing else, which would leave a block
    // without text. Like any other bad byte it becomes a replacement
    // character, so that it counts and is reported.
    const bool oddByte =
        unitWidthFor(m_encoding) != LineReader::UnitWidth::Byte && bytes.size() % 2 != 0;
    const QByteArrayView whole = oddByte ? bytes.chopped(1) : bytes;
    out.resize(m_unicode.requiredSpace(whole.size()) + 1);
    QChar *end = m_unicode.appendToBuffer(out.data(), whole);
    if (oddByte)
        *end++ = QChar::ReplacementCharacter;
    out.truncate(end - out.constData());
    m_unicode.resetState();
}

} // namespace captiloom::platform
