#include "code_page.h"

#include <QStringConverter>

#include <algorithm>
#include <clocale>
#include <iterator>
#include <langinfo.h>
#include <locale.h>

namespace captiloom::platform {

namespace {

const QByteArray fallbackName = QByteArrayLiteral("GBK");
constexpr const char *gbkNames[] = { "GBK", "CP936", "windows-936", "MS936" };

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

QByteArray legacyLocaleCodeset()
{
    const QByteArray codeset = localeCodeset();
    return isLegacyCodeset(codeset) && isUsable(codeset) ? codeset : QByteArray();
}

// ICU keeps the address of a converter's state: the converters are made in
// place and never moved.
struct CodePage::Converter
{
    explicit Converter(const QByteArray &codeset)
        : name(codeset)
        , decoder(name.constData(), QStringConverter::Flag::Stateless)
    {
        encoder.emplace(name.constData(), QStringConverter::Flag::Stateless);
    }

    const QByteArray name;
    // ICU's GBK reads the byte FF, which Windows' code page 936 leaves
    // undefined, as the private-use U+F8F5, so that it survives a round
    // trip: text that no editor shows. It is a byte that forms no
    // character, as on Windows.
    const bool ffIsPrivate =
        std::any_of(std::begin(gbkNames), std::end(gbkNames),
                    [this](const char *gbk) { return qstricmp(name.constData(), gbk) == 0; });
    QStringDecoder decoder;
    std::optional<QStringEncoder> encoder;
    QByteArray scratch;
};

QByteArray CodePage::systemName()
{
    const QByteArray codeset = legacyLocaleCodeset();
    return codeset.isEmpty() ? fallbackName : codeset;
}

CodePage::CodePage(const QByteArray &name)
    : m_converter(std::make_unique<Converter>(isUsable(name) ? name : fallbackName))
{ }

CodePage::~CodePage() = default;

void CodePage::decodeLine(QByteArrayView bytes, QString &out)
{
    // The converter silently drops an incomplete sequence at the end of its
    // input. A CR can never be part of a multi-byte character, so ending the
    // input with one makes it report that sequence like any other bad byte.
    m_converter->scratch.resize(0);
    m_converter->scratch.append(bytes);
    m_converter->scratch.append('\r');
    out.resize(m_converter->decoder.requiredSpace(m_converter->scratch.size()));
    QChar *end = m_converter->decoder.appendToBuffer(out.data(), m_converter->scratch);
    out.truncate(end - out.constData() - 1);
    m_converter->decoder.resetState();
    if (m_converter->ffIsPrivate)
        out.replace(QChar(0xF8F5), QChar::ReplacementCharacter);
}

std::optional<char32_t> CodePage::encode(QStringView text, QByteArray &out)
{
    // One encoder for every line: setting one up costs more than a line.
    out.resize(m_converter->encoder->requiredSpace(text.size()));
    out.truncate(m_converter->encoder->appendToBuffer(out.data(), text) - out.constData());
    m_converter->encoder->resetState();
    if (!m_converter->encoder->hasError())
        return std::nullopt;
    // Resetting leaves an ICU converter's error count standing, so a new one
    // is made, in place: ICU keeps the address of the converter's state, and
    // a converter assigned from a temporary would report to one that is gone,
    // passing the next unsavable text as saved.
    m_converter->encoder.emplace(m_converter->name.constData(), QStringConverter::Flag::Stateless);

    return firstUnencodable(text, [&](QStringView one) {
        QStringEncoder single(m_converter->name.constData(), QStringConverter::Flag::Stateless);
        const QByteArray encoded = single.encode(one);
        return !single.hasError();
    });
}

} // namespace captiloom::platform
