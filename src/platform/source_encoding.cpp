#include "source_encoding.h"

#include "code_page.h"

namespace captiloom::platform {

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
        if (byte < 0x80)
            continue;
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
    switch (encoding) {
    case SourceEncoding::Utf16LittleEndian:
        return QStringDecoder(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless);
    case SourceEncoding::Utf16BigEndian:
        return QStringDecoder(QStringConverter::Utf16BE, QStringConverter::Flag::Stateless);
    case SourceEncoding::Utf8:
    case SourceEncoding::CodePage:
        break;
    }
    return QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
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
    out.resize(m_unicode.requiredSpace(bytes.size()));
    QChar *end = m_unicode.appendToBuffer(out.data(), bytes);
    out.truncate(end - out.constData());
    m_unicode.resetState();
}

} // namespace captiloom::platform
