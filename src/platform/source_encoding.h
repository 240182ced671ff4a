#pragma once

#include <QByteArrayView>

namespace captiloom::platform {

enum class SourceEncoding {
    CodePage,
    Utf8,
    Utf16LittleEndian,
    Utf16BigEndian,
};

struct ByteOrderMark
{
    SourceEncoding encoding = SourceEncoding::CodePage;
    qsizetype length = 0; // 0 when there is none
};

// A UTF-8 or UTF-16 byte-order mark at the start of a file.
ByteOrderMark byteOrderMark(QByteArrayView head);

class Utf8Detector;
// A file's encoding, and the mark to skip: its mark's, or, without one, what
// the detector made of all its bytes. A UTF-8 mark before bytes that are no
// UTF-8 is no mark: GBK text that starts with 锘 and a hanzi of row BF spells
// its three bytes.
ByteOrderMark decideEncoding(ByteOrderMark mark, const Utf8Detector &detector);

// Decides, from every byte of a file fed in order, whether a file without a
// byte-order mark is UTF-8 or in the code page, in one pass and fixed memory.
//
// Strictly valid UTF-8 (no overlong forms, no surrogates, nothing cut short)
// holding a non-ASCII character is UTF-8, unless its bytes could be Chinese
// GBK text too and its UTF-8 reading does not look Chinese. Chinese GBK text
// is GB2312's characters, byte pairs from A1 to FE, between ASCII bytes: a
// byte from 80 to A0, or an odd run of bytes from 80 up, rules it out. Chinese
// text in UTF-8 is three-byte characters that GB2312 holds (hanzi, Chinese
// punctuation) between ASCII, while GBK that passes for UTF-8 reads mostly as
// two-byte letters (Latin, Greek, Cyrillic...), else as four-byte characters
// or rare ideographs. So a text that reads both ways is UTF-8 only when all
// its non-ASCII characters are such three-byte ones; any other stays in the
// code page, which is what the users write.
class Utf8Detector
{
public:
    void feed(QByteArrayView bytes);
    // Strictly valid UTF-8 so far and nothing cut short, Chinese or not.
    bool isValid() const { return m_valid && m_pending == 0; }
    bool isUtf8() const
    {
        const bool couldBeGbk = m_couldBeGbk && !m_oddRun;
        return m_valid && m_pending == 0 && m_sawNonAscii && (!couldBeGbk || m_allChinese);
    }

private:
    bool m_valid = true;
    bool m_sawNonAscii = false;
    bool m_couldBeGbk = true; // no byte from 80 to A0, no odd run before ASCII so far
    bool m_oddRun = false; // an odd count of bytes from 80 up since the last ASCII byte
    bool m_allChinese = true; // every character so far three bytes long and in GB2312
    int m_pending = 0; // continuation bytes still expected
    int m_length = 0; // bytes in the current character
    char32_t m_character = 0;
    unsigned char m_low = 0x80; // allowed range of the next continuation byte
    unsigned char m_high = 0xBF;
};

} // namespace captiloom::platform
