#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>

namespace captiloom::platform {

// The 8-bit code page that source and subtitle files are written in.
class CodePage
{
public:
    // The Windows ANSI code page there; elsewhere the locale's codeset when it is
    // a legacy multi-byte or 8-bit set, and GBK when the locale uses UTF-8 or
    // plain ASCII, which cannot be what a Chinese user saved the file in.
    static QByteArray systemName();

    explicit CodePage(const QByteArray &name = systemName());

    // Decodes one line. Bytes that do not form a character, an incomplete
    // sequence at the very end included, each come out as a replacement
    // character, so every byte of a line counts towards its length.
    void decodeLine(QByteArrayView bytes, QString &out);

    // Encodes text; returns the first character the code page cannot hold
    // instead when there is one.
    std::optional<char32_t> encode(QStringView text, QByteArray &out);

private:
    QByteArray m_name;
    QStringDecoder m_decoder;
    QStringEncoder m_encoder;
    QByteArray m_scratch;
};

} // namespace captiloom::platform
