#include "terminal.h"

#include <cstdio>

namespace captiloom::console {

void writeLine(Stream stream, const QString &line)
{
    std::FILE *file = stream == Stream::Output ? stdout : stderr;
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), file);
    std::fflush(file);
}

} // namespace captiloom::console
