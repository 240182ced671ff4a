#include "source_encoding.h"

#include <QStringDecoder>

#include <bitset>
#include <cstring>

namespace captiloom::platform {

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
