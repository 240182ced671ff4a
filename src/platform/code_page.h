#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <functional>
#include <memory>
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
    ~CodePage();

    // Decodes one line. Bytes that do not form a character, an incomplete
    // sequence at the very end included, each come out as a replacement
    // character, so every byte of a line counts towards its length.
    void decodeLine(QByteArrayView bytes, QString &out);

    // Encodes text; returns the first character the code page cannot hold
    // instead when there is one.
    std::optional<char32_t> encode(QStringView text, QByteArray &out);

private:
    // The first character, or surrogate pair, that `encodes` refuses;
    // U+FFFD when it refuses none of them alone.
    static char32_t firstUnencodable(QStringView text,
                                     const std::function<bool(QStringView)> &encodes);

    // Each platform converts its own way, with state of its own kinds.
    struct Converter;
    std::unique_ptr<Converter> m_converter;
};

#ifndef Q_OS_WIN
// The locale's codeset when it is a legacy multi-byte or 8-bit set that can
// be converted ("GB18030" under zh_CN.GB18030); empty for UTF-8 and for plain
// ASCII.
QByteArray legacyLocaleCodeset();
#endif

} // namespace captiloom::platform
