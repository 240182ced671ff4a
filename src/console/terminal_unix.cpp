#include "terminal.h"

#include "code_page.h"

#include <QStringEncoder>

#include <cstdio>

namespace captiloom::console {

namespace {

// What the terminal reads: the locale's own legacy encoding (a Chinese
// terminal under zh_CN.GB18030), else UTF-8, which a plain ASCII locale gets
// too, so that a Chinese file name still comes out whole.
QByteArray encoded(const QString &text)
{
    static const QByteArray codeset = platform::legacyLocaleCodeset();
    if (codeset.isEmpty())
        return text.toUtf8();
    QStringEncoder encoder(codeset.constData());
    return encoder.encode(text);
}

} // namespace

void writeLine(Stream stream, const QString &line)
{
    std::FILE *file = stream == Stream::Output ? stdout : stderr;
    const QByteArray bytes = encoded(line) + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), file);
    std::fflush(file);
}

} // namespace captiloom::console
