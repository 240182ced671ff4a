// Arbitrary text split as prose. Whatever comes in, every line that comes out
// is trimmed and not empty; no line is longer than 20 characters unless it is
// a single word that cannot be cut (a run of Latin letters or one word of the
// dictionary, with the marks that cling to it); no letter, digit or symbol
// is lost, added or moved; where the paragraph's quotation marks and
// brackets nest, two deep at most, each line's do; and the same text always
// gives the same lines.

#include "prose_paragraph.h"
#include "prose_splitter.h"

#include <QString>

#include <algorithm>

// Stops the fuzzer at a broken property; libFuzzer keeps the input that led here.
#define CHECK(property) ((property) ? void() : qFatal("property violated: %s", #property))

namespace {

// The marks that stay, repeated on the lines of a cut quotation or aside;
// the nesting check leaves the ASCII brackets out.
constexpr QStringView openers = u"“‘《〈「『（【〔([";
constexpr QStringView closers = u"”’》〉」』）】〕)]";

// What the splitter keeps in order: all but spaces and punctuation, of which
// it drops some and repeats the quotation marks and brackets of cut lines.
QString kept(QString text)
{
    return text.removeIf([](QChar c) { return c.isSpace() || c.isPunct(); });
}

// Whether the marks nest, none left open, and never more than two deep;
// the splitter's brackets close one another whatever their width.
bool nests(QStringView text)
{
    QString open;
    for (const QChar c : text) {
        if (const qsizetype opener = openers.indexOf(c); opener >= 0) {
            open += c;
            if (open.size() > 2)
                return false;
        } else if (const qsizetype closer = closers.indexOf(c); closer >= 0) {
            const bool bracket =
                closer >= 6 && !open.isEmpty() && openers.indexOf(open.back()) >= 6;
            if (open.isEmpty() || (open.back() != openers[closer] && !bracket))
                return false;
            open.chop(1);
        }
    }
    return open.isEmpty();
}

// A line that no cut could shorten: one word, with the marks around it.
bool singleWord(QStringView line)
{
    const auto isMark = [](QChar c) {
        return openers.contains(c) || closers.contains(c);
    };
    while (!line.isEmpty() && isMark(line.front()))
        line = line.sliced(1);
    while (!line.isEmpty() && isMark(line.back()))
        line.chop(1);
    // One character, or one beyond the first plane (an emoji)...
    if (line.size() <= 1
        || (line.size() == 2 && line[0].isHighSurrogate() && line[1].isLowSurrogate()))
        return true;
    // ...a run of letters, digits and the symbols between them (e-mail,
    // 3.5, don’t, f(x))...
    bool run = true;
    for (qsizetype at = 0; at < line.size() && run; ++at) {
        const QChar c = line[at];
        const bool apostrophe = c == u'’' && at > 0 && at + 1 < line.size()
            && line[at - 1].isLetterOrNumber() && line[at + 1].isLetterOrNumber();
        const bool call = (c == u'(' || c == u'[') && at > 0 && line[at - 1].isLetterOrNumber();
        run = !(c.isSpace() || (isMark(c) && !apostrophe && !call) || c.isSurrogate()
                || captiloom::conversion::isChineseScript(c));
    }
    if (run)
        return true;
    // ...or a word of hanzi: the dictionary's longest has 16.
    return line.size() <= 16 && std::all_of(line.begin(), line.end(), [](QChar c) {
               return c.script() == QChar::Script_Han && !c.isSurrogate();
           });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // UTF-8, or after a first byte FF any UTF-16 units, lone surrogates too.
    const qsizetype bytes = std::min<qsizetype>(qsizetype(size), 8192);
    QString paragraph;
    if (bytes > 0 && data[0] == 0xFF) {
        for (qsizetype at = 1; at + 1 < bytes; at += 2)
            paragraph += QChar(char16_t(data[at] | data[at + 1] << 8));
    } else {
        paragraph = QString::fromUtf8(reinterpret_cast<const char *>(data), bytes);
    }
    // A paragraph is one line of the source.
    paragraph.remove(u'\r').remove(u'\n');

    const QStringList lines = captiloom::conversion::splitParagraph(paragraph);
    CHECK(lines == captiloom::conversion::splitParagraph(paragraph));
    CHECK(kept(lines.join(QString())) == kept(paragraph));
    // A paragraph whose ASCII brackets may be a name's own (f(x)) or whose
    // apostrophes may be a word's (don’t) is left to the other checks.
    const bool marksNest = nests(paragraph) && !paragraph.contains(u'(')
        && !paragraph.contains(u')') && !paragraph.contains(u'[') && !paragraph.contains(u']')
        && !paragraph.contains(u'’');
    for (const QString &line : lines) {
        CHECK(!line.isEmpty() && !line.front().isSpace() && !line.back().isSpace());
        CHECK(!line.contains(u"  "));
        CHECK(line.size() <= captiloom::conversion::scriptLineLength || singleWord(line));
        CHECK(!marksNest || nests(line));
    }
    return 0;
}
