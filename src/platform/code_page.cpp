#include "code_page.h"

namespace captiloom::platform {

char32_t CodePage::firstUnencodable(QStringView text,
                                    const std::function<bool(QStringView)> &encodes)
{
    // One character at a time: this runs once per failed run.
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width =
            (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2
                                                                                               : 1;
        const QStringView one = text.mid(i, width);
        if (!encodes(one))
            return width == 2 ? QChar::surrogateToUcs4(one[0], one[1]) : one[0].unicode();
        i += width;
    }
    return U'\uFFFD';
}

} // namespace captiloom::platform
