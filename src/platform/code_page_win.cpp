#include "code_page.h"

#include <windows.h>

#include <bitset>

namespace captiloom::platform {

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

// Windows converts its code pages itself; a Qt without ICU knows none of
// them but through its System converter, whose errors are its own.
struct CodePage::Converter
{
    UINT codePage;
    std::bitset<256> leadBytes;
};

QByteArray CodePage::systemName()
{
    const UINT acp = GetACP();
    return acp == CP_UTF8 ? QByteArrayLiteral("GBK") : "windows-" + QByteArray::number(acp);
}

CodePage::CodePage(const QByteArray &name)
    : m_converter(std::make_unique<Converter>(codePageNumber(name)))
{
    CPINFO info;
    GetCPInfo(m_converter->codePage, &info);
    for (int range = 0; range < MAX_LEADBYTES && info.LeadByte[range]; range += 2) {
        for (int byte = info.LeadByte[range]; byte <= info.LeadByte[range + 1]; ++byte)
            m_converter->leadBytes.set(byte);
    }
}

CodePage::~CodePage() = default;

void CodePage::decodeLine(QByteArrayView bytes, QString &out)
{
    // Every byte gives at most one UTF-16 unit in these code pages.
    out.resize(bytes.size());
    wchar_t *const text = reinterpret_cast<wchar_t *>(out.data());
    qsizetype end = 0;
    while (end < bytes.size())
        end += m_converter->leadBytes.test(static_cast<uchar>(bytes[end])) ? 2 : 1;
    // Windows fails the whole call on one bad byte, so that a line with one
    // is taken a character at a time; a lead byte with nothing after it may
    // be dropped without failing, so such a line always is.
    if (end == bytes.size()) {
        const int length =
            MultiByteToWideChar(m_converter->codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                int(bytes.size()), text, int(out.size()));
        if (length > 0 || bytes.isEmpty()) {
            out.truncate(length);
            return;
        }
    }
    qsizetype length = 0;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype width =
            m_converter->leadBytes.test(static_cast<uchar>(bytes[at])) && at + 1 < bytes.size() ? 2
                                                                                                : 1;
        const int one =
            MultiByteToWideChar(m_converter->codePage, MB_ERR_INVALID_CHARS, bytes.data() + at,
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
        return part.isEmpty()
            ? 0
            : WideCharToMultiByte(m_converter->codePage, WC_NO_BEST_FIT_CHARS, wide(part),
                                  int(part.size()), to, room, nullptr, lossy);
    };
    out.resize(text.size() * 2);
    BOOL lossy = FALSE;
    out.truncate(convert(text, out.data(), int(out.size()), &lossy));
    if (!lossy && out.isEmpty() == text.isEmpty())
        return std::nullopt;

    return firstUnencodable(text, [&](QStringView one) {
        char scratch[4];
        BOOL bad = FALSE;
        return convert(one, scratch, int(sizeof scratch), &bad) != 0 && !bad;
    });
}

} // namespace captiloom::platform
