#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <bitset>
#include <optional>

namespace captiloom::platform {

// The 8-bit code page that source and subtitle files are written in.
class CodePage
{
public:
    // The Windows ANSI code page there, as "windows-936"; elsewhere the locale's
    // codeset when it is a legacy multi-byte or 8-bit set. GBK when the system
    // uses UTF-8 or plain ASCII, which cannot be what a Chinese user saved the
    // file in.
    static QByteArray systemName();

    explicit CodePage(const QByteArray &name = systemName());
    // The converters' states must stay where they were made.
    Q_DISABLE_COPY_MOVE(CodePage)

    // Decodes one line. Bytes that do not form a character, an incomplete
    // sequence at the very end included, each come out as a replacement
    // character, so every byte of a line counts towards its length.
    void decodeLine(QByteArrayView bytes, QString &out);

    // Encodes text; returns the first character the code page cannot hold
    // instead when there is one.
    std::optional<char32_t> encode(QStringView text, QByteArray &out);

private:
#ifdef Q_OS_WIN
    // Windows converts its code pages itself; a Qt without ICU knows none of
    // them but through its System converter, whose errors are its own.
    unsigned m_codePage;
    std::bitset<256> m_leadBytes;
#else
    QByteArray m_name;
    QStringDecoder m_decoder;
    std::optional<QStringEncoder> m_encoder;
    QByteArray m_scratch;
#endif
};

} // namespace captiloom::platform
