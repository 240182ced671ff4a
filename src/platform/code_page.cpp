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

#ifdef Q_OS_WIN

namespace {

constexpr UINT fallbackCodePage = 936; // GBK

// A code page Windows converts, of one or two bytes a character: the ANSI
// code pages are all of this kind, and the lead-byte split below needs it.
UINT codePageNumber(const QByteArray &name)
{
    bool ok = false;
    const UINT number = name.startsWith("windows-") ? name.sliced(8).toUInt(&ok) : fallbackCodePage;
    CPINFO info;
    return ok && GetCPInfo(number, &info) && info.MaxCharSize <= 2 ? number : fallbackCodePage;
}

const wchar_t *wide(QStringView text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

} // namespace

QByteArray CodePage::systemName()
{
    const UINT acp = GetACP();
    return acp == CP_UTF8 ? QByteArrayLiteral("GBK") : "windows-" + QByteArray::number(acp);
}

CodePage::CodePage(const QByteArray &name)
    : m_codePage(codePageNumber(name))
{
    CPINFO info;
    GetCPInfo(m_codePage, &info);
    for (int range = 0; range < MAX_LEADBYTES && info.LeadByte[range]; range += 2) {
        for (int byte = info.LeadByte[range]; byte <= info.LeadByte[range + 1]; ++byte)
            m_leadBytes.set(byte);
    }
}

void CodePage::decodeLine(QByteArrayView bytes, QString &out)
{
    // Every byte gives at most one UTF-16 unit in these code pages.
    out.resize(bytes.size());
    wchar_t *const text = reinterpret_cast<wchar_t *>(out.data());
    qsizetype end = 0;
    while (end < bytes.size())
        end += m_leadBytes.test(static_cast<uchar>(bytes[end])) ? 2 : 1;
    // Windows fails the whole call on one bad byte, so that a line with one
    // is taken a character at a time; a lead byte with nothing after it may
    // be dropped without failing, so such a line always is.
    if (end == bytes.size()) {
        const int length = MultiByteToWideChar(m_codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                               int(bytes.size()), text, int(out.size()));
        if (length > 0 || bytes.isEmpty()) {
            out.truncate(length);
            return;
        }
    }
    qsizetype length = 0;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype width =
            m_leadBytes.test(static_cast<uchar>(bytes[at])) && at + 1 < bytes.size() ? 2 : 1;
        const int one = MultiByteToWideChar(m_codePage, MB_ERR_INVALID_CHARS, bytes.data() + at,
                                            int(width), text + length, int(out.size() - length));
        // A lead byte before a byte that cannot follow it is bad alone; the
        // next byte starts afresh, as it does for the Linux converter.
        if (one > 0) {
            length += one;
            at += width;
        } else {
            text[length++] = wchar_t(QChar::ReplacementCharacter);
            ++at;
        }
    }
    out.truncate(length);
}

std::optional<char32_t> CodePage::encode(QStringView text, QByteArray &out)
{
    // Without WC_NO_BEST_FIT_CHARS Windows writes a look-alike, such as "A"
    // for "À", without saying so.
    const auto convert = [this](QStringView part, char *to, int room, BOOL *lossy) {
        return part.isEmpty() ? 0
                              : WideCharToMultiByte(m_codePage, WC_NO_BEST_FIT_CHARS, wide(part),
                                                    int(part.size()), to, room, nullptr, lossy);
    };
    out.resize(text.size() * 2);
    BOOL lossy = FALSE;
    out.truncate(convert(text, out.data(), int(out.size()), &lossy));
    if (!lossy && out.isEmpty() == text.isEmpty())
        return std::nullopt;

    // Find the culprit one character at a time; this path runs once per failed run.
    char scratch[4];
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width =
            (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2
                                                                                               : 1;
        const QStringView one = text.mid(i, width);
        BOOL bad = FALSE;
        if (convert(one, scratch, int(sizeof scratch), &bad) == 0 || bad)
            return width == 2 ? QChar::surrogateToUcs4(one[0], one[1]) : one[0].unicode();
        i += width;
    }
    return U'\uFFFD';
}

#else

namespace {

const QByteArray fallbackName = QByteArrayLiteral("GBK");

bool isUsable(const QByteArray &name)
{
    return QStringDecoder(name.constData()).isValid() && QStringEncoder(name.constData()).isValid();
}

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

} // namespace

QByteArray CodePage::systemName()
{
    const QByteArray codeset = localeCodeset();
    if (isLegacyCodeset(codeset) && isUsable(codeset))
        return codeset;
    return fallbackName;
}

CodePage::CodePage(const QByteArray &name)
    : m_name(isUsable(name) ? name : fallbackName)
    , m_decoder(m_name.constData(), QStringConverter::Flag::Stateless)
{
    m_encoder.emplace(m_name.constData(), QStringConverter::Flag::Stateless);
}

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
    out.resize(m_encoder->requiredSpace(text.size()));
    out.truncate(m_encoder->appendToBuffer(out.data(), text) - out.constData());
    m_encoder->resetState();
    if (!m_encoder->hasError())
        return std::nullopt;
    // Resetting leaves an ICU converter's error count standing, so a new one
    // is made, in place: ICU keeps the address of the converter's state, and
    // a converter assigned from a temporary would report to one that is gone,
    // passing the next unsavable text as saved.
    m_encoder.emplace(m_name.constData(), QStringConverter::Flag::Stateless);

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

#endif

} // namespace captiloom::platform
