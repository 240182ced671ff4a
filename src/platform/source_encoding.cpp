#include "source_encoding.h"

#include "code_page.h"

#include <bitset>
#include <cstring>

namespace captiloom::platform {

namespace {

// The 7 445 characters of GB2312, learnt once from the GBK converter, which
// Windows has without ICU: GBK keeps GB2312's cells and fills its empty ones,
// with private-use characters or, in these few, with characters of its own.
bool isGbkOnly(int cell)
{
    return (cell >= 0xA2A1 && cell <= 0xA2AA) || (cell >= 0xA6E0 && cell <= 0xA6F5)
        || (cell >= 0xA8BB && cell <= 0xA8C0) || (cell >= 0xD7FA && cell <= 0xD7FE);
}

// The cells whose character GB2312 and GBK tell otherwise.
char16_t gb2312Reading(int cell, char16_t gbk)
{
    switch (cell) {
    case 0xA1A4:
        return u'\u30FB';
    case 0xA1AA:
        return u'\u2015';
    case 0xA3A7:
        return u'\u00B4';
    }
    return gbk;
}

const std::bitset<0x10000> &gb2312Characters()
{
    static const std::bitset<0x10000> characters = [] {
        CodePage gbk(QByteArrayLiteral("GBK"));
        std::bitset<0x10000> set;
        QString text;
        for (int lead = 0xA1; lead <= 0xF7; ++lead) {
            for (int trail = 0xA1; trail <= 0xFE; ++trail) {
                const char cell[] = { char(lead), char(trail) };
                gbk.decodeLine(QByteArrayView(cell, 2), text);
                const int code = (lead << 8) | trail;
                if (text.size() == 1 && text[0].category() != QChar::Other_PrivateUse
                    && !isGbkOnly(code))
                    set.set(gb2312Reading(code, text[0].unicode()));
            }
        }
        return set;
    }();
    return characters;
}

} // namespace

ByteOrderMark byteOrderMark(QByteArrayView head)
{
    if (head.startsWith("\xEF\xBB\xBF"))
        return { SourceEncoding::Utf8, 3 };
    if (head.startsWith("\xFF\xFE"))
        return { SourceEncoding::Utf16LittleEndian, 2 };
    if (head.startsWith("\xFE\xFF"))
        return { SourceEncoding::Utf16BigEndian, 2 };
    return {};
}

ByteOrderMark decideEncoding(ByteOrderMark mark, const Utf8Detector &detector)
{
    if (mark.encoding == SourceEncoding::Utf8 && !detector.isValid())
        mark = {};
    if (mark.length == 0 && detector.isUtf8())
        return { SourceEncoding::Utf8, 0 };
    return mark;
}

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

} // namespace captiloom::platform
