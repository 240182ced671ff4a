#pragma once

#include "line_reader.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

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
    qsizetype length = 0; // 0 when the head carries no mark
};

// How the line reader must step through a source in this encoding.
LineReader::UnitWidth unitWidthFor(SourceEncoding encoding);

// Looks at the first bytes of a file for a UTF-8 or UTF-16 byte-order mark.
ByteOrderMark detectByteOrderMark(QByteArrayView head);

// Decides, from every byte of a file fed in order, whether it is strictly
// valid UTF-8 (no overlong forms, no surrogates, no truncated sequence) that
// holds at least one non-ASCII character. Plain ASCII stays in the code page,
// where it reads the same; GBK text fails the check within its first few
// Chinese characters.
class Utf8Detector
{
public:
    void feed(QByteArrayView bytes);
    bool isUtf8() const { return m_valid && m_pending == 0 && m_sawNonAscii; }

private:
    bool m_valid = true;
    bool m_sawNonAscii = false;
    int m_pending = 0; // continuation bytes still expected
    unsigned char m_low = 0x80; // allowed range of the next continuation byte
    unsigned char m_high = 0xBF;
};

// Decodes lines of a source in the encoding found for it.
class CodePage;
class SourceDecoder
{
public:
    SourceDecoder(SourceEncoding encoding, CodePage &codePage);
    void decodeLine(QByteArrayView bytes, QString &out);
    SourceEncoding encoding() const { return m_encoding; }
    // Lines of a code-page source go out as the very bytes that came in.
    bool keepsBytes() const { return m_encoding == SourceEncoding::CodePage; }

private:
    SourceEncoding m_encoding;
    CodePage &m_codePage;
    QStringDecoder m_unicode;
};

} // namespace captiloom::platform
