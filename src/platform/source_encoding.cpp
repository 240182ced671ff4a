#include "source_encoding.h"

#include "code_page.h"

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

void Utf8Detector::feed(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size() && m_valid; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (m_pending > 0) {
            if (byte < m_low || byte > m_high) {
                m_valid = false;
                break;
            }
            --m_pending;
            m_low = 0x80;
            m_high = 0xBF;
            continue;
        }
        if (byte < 0x80) {
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
        }
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
