#include "code_page.h"

#include <QStringConverter>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <clocale>
#include <langinfo.h>
#include <locale.h>
#endif

namespace captiloom::platform {

namespace {

const QByteArray fallbackName = QByteArrayLiteral("GBK");

bool isUsable(const QByteArray &name)
{
    return QStringDecoder(name.constData()).isValid() && QStringEncoder(name.constData()).isValid();
}

#ifndef Q_OS_WIN
QByteArray localeCodeset()
{
    // Ask for the environment's locale without touching the process-wide one.
    locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (!loc)
        return {};
    QByteArray codeset(nl_langinfo_l(CODESET, loc));
    freelocale(loc);
    return codeset;
}

bool isLegacyCodeset(const QByteArray &codeset)
{
    const QByteArray upper = codeset.toUpper();
    if (upper.isEmpty() || upper == "UTF-8" || upper == "UTF8")
        return false;
    // The C and POSIX locales report ASCII under one of these names.
    return upper != "ANSI_X3.4-1968" && upper != "ASCII" && upper != "US-ASCII";
}
#endif

} // namespace

QByteArray CodePage::systemName()
{
#ifdef Q_OS_WIN
    const UINT acp = GetACP();
    if (acp != CP_UTF8) {
        const QByteArray name = "windows-" + QByteArray::number(acp);
        if (isUsable(name))
            return name;
    }
#else
    const QByteArray codeset = localeCodeset();
    if (isLegacyCodeset(codeset) && isUsable(codeset))
        return codeset;
#endif
    return fallbackName;
}

CodePage::CodePage(const QByteArray &name)
    : m_name(isUsable(name) ? name : fallbackName)
    , m_decoder(m_name.constData(), QStringConverter::Flag::Stateless)
    , m_encoder(m_name.constData(), QStringConverter::Flag::Stateless)
{ }

void CodePage::decodeLine(QByteArrayView bytes, QString &out)
{
    // The converter silently drops an incomplete sequence at the end of its
    // input. A CR can never be part of a multi-byte character, so ending the
    // input with one makes it report that sequence like any other bad byte.
    m_scratch.resize(0);
    m_scratch.append(bytes);
    m_scratch.append('\r');
    out.resize(m_decoder.requiredSpace(m_scratch.size()));
    QChar *end = m_decoder.appendToBuffer(out.data(), m_scratch);
    out.truncate(end - out.constData() - 1);
    m_decoder.resetState();
}

std::optional<char32_t> CodePage::encode(QStringView text, QByteArray &out)
{
    // One encoder for every line: setting one up costs more than a line.
    out.resize(m_encoder.requiredSpace(text.size()));
    out.truncate(m_encoder.appendToBuffer(out.data(), text) - out.constData());
    m_encoder.resetState();
    if (!m_encoder.hasError())
        return std::nullopt;
    // Resetting leaves an ICU converter's error count standing.
    m_encoder = QStringEncoder(m_name.constData(), QStringConverter::Flag::Stateless);

    // Find the culprit one character at a time; this path runs once per failed run.
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width =
            (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2
                                                                                               : 1;
        const QStringView one = text.mid(i, width);
        QStringEncoder single(m_name.constData(), QStringConverter::Flag::Stateless);
        const QByteArray encoded = single.encode(one);
        if (single.hasError())
            return width == 2 ? QChar::surrogateToUcs4(one[0], one[1]) : one[0].unicode();
        i += width;
    }
    return U'\uFFFD';
}

} // namespace captiloom::platform
