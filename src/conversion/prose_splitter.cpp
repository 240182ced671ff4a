#include "prose_splitter.h"

#include "word_breaks.h"

#include <limits>
#include <vector>

namespace captiloom::conversion {

namespace {

// What a character is to the splitter. The order matters: of the marks
// between two words, the strongest decides what the break is.
enum class Kind {
    Text,
    Space, // spaces and brackets: gone, one space left inside a line
    Clause, // ，、；：— and their ASCII kin
    Sentence, // 。！？… and their ASCII kin
    Opener, // “ ‘ 《 〈 「 『, which stay
    Closer, // and their partners
};

// How one word follows the one before it in a sentence.
enum class Gap { Word, Space, Clause, Sentence };

constexpr QStringView openers = u"“‘《〈「『";
constexpr QStringView closers = u"”’》〉」』";

// Where `c` is among `marks` (openers or closers), or -1; most characters
// are told apart by their range, without a search.
qsizetype markIndex(QStringView marks, QChar c)
{
    const char16_t unit = c.unicode();
    if ((unit < u'‘' || unit > u'”') && (unit < u'〈' || unit > u'』'))
        return -1;
    return marks.indexOf(c);
}
// Characters that end a phrase rather than start one.
constexpr QStringView particles = u"的了着过地得吗呢吧啊呀么们";

bool isChineseScript(QChar c)
{
    switch (c.script()) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Hangul:
    case QChar::Script_Bopomofo:
        return true;
    default:
        return false;
    }
}

// A letter or digit of a run that is never broken: Latin, Greek, Cyrillic,
// digits, in either width.
bool isRunLetter(QChar c)
{
    return c.isLetterOrNumber() && !isChineseScript(c);
}

class Paragraph
{
public:
    explicit Paragraph(QStringView text)
        : m_text(text)
    {
        m_kinds.reserve(text.size());
        m_glue.reserve(text.size());
        for (qsizetype at = 0; at < text.size(); ++at) {
            m_kinds.append(kindOf(at));
            const QChar c = text[at];
            m_glue.append(m_kinds.back() == Kind::Text && !c.isSurrogate() && !isChineseScript(c));
        }
    }

    QStringView text() const { return m_text; }
    Kind kindAt(qsizetype at) const { return m_kinds[at]; }
    // Whether a line may end before `at` without cutting a run of Latin
    // letters and digits, or the symbols that go with them (50%, ¥100, C++).
    bool runContinues(qsizetype at) const { return m_glue[at - 1] && m_glue[at]; }

private:
    // ASCII marks inside a run belong to it: 3.5, 10:30, 1,000, e-mail, -5,
    // don’t, https://.
    bool betweenRunLetters(qsizetype at) const
    {
        return at > 0 && at + 1 < m_text.size() && isRunLetter(m_text[at - 1])
            && isRunLetter(m_text[at + 1]);
    }

    Kind kindOf(qsizetype at) const;

    QStringView m_text;
    QList<Kind> m_kinds;
    QList<bool> m_glue; // a character of a run that is never broken
};

Kind Paragraph::kindOf(qsizetype at) const
{
    const QChar c = m_text[at];
    const auto next = [&] {
        return at + 1 < m_text.size() ? m_text[at + 1] : QChar();
    };
    switch (c.unicode()) {
    case u'.':
        // Also in a path or a name: ~/.config, .NET.
        return betweenRunLetters(at)
                || (at > 0 && isRunLetter(next()) && QStringView(u"/\\~_").contains(m_text[at - 1]))
            ? Kind::Text
            : Kind::Sentence;
    case u',':
        return betweenRunLetters(at) && m_text[at - 1].isDigit() ? Kind::Text : Kind::Clause;
    case u':':
        return betweenRunLetters(at) || (at > 0 && isRunLetter(m_text[at - 1]) && next() == u'/')
            ? Kind::Text
            : Kind::Clause;
    case u'-':
        return isRunLetter(next()) ? Kind::Text : Kind::Clause;
    case u'’':
        return betweenRunLetters(at) ? Kind::Text : Kind::Closer;
    case u'。':
    case u'．':
    case u'｡':
    case u'！':
    case u'？':
    case u'!':
    case u'?':
    case u'…':
    case u'‥':
        return Kind::Sentence;
    case u'，':
    case u'、':
    case u'；':
    case u';':
    case u'：':
    case u'—':
    case u'–':
    case u'―':
        return Kind::Clause;
    case u'（':
    case u'）':
    case u'(':
    case u')':
    case u'【':
    case u'】':
    case u'[':
    case u']':
    case u'〔':
    case u'〕':
        return Kind::Space;
    default:
        break;
    }
    if (c.isSpace())
        return Kind::Space;
    if (markIndex(openers, c) >= 0)
        return Kind::Opener;
    if (markIndex(closers, c) >= 0)
        return Kind::Closer;
    return Kind::Text;
}

struct Piece
{
    QString text; // a word, with the marks that cling to it
    Gap before = Gap::Word;
};

// The paragraph as words that a line may end after, each with the strongest
// break that comes before it. Opening marks cling to the word after them,
// closing marks to the word before, even across a sentence's end (。” ends
// the sentence after the mark); spaces and pause marks are gone.
QList<Piece> piecesOf(const Paragraph &paragraph, const QList<qsizetype> &wordStarts)
{
    const QStringView text = paragraph.text();
    QList<Piece> pieces;
    bool open = false; // the last piece may still grow
    Gap pending = Gap::Word; // the strongest break since the last piece
    QString clinging; // opening marks waiting for their word
    qsizetype nextStart = 0; // index into wordStarts
    // Whether a new word begins at `at`, a letter: never inside a run of
    // Latin letters and digits, nor a surrogate pair.
    const auto newWord = [&](qsizetype at) {
        while (nextStart < wordStarts.size() && wordStarts[nextStart] < at)
            ++nextStart;
        return nextStart < wordStarts.size() && wordStarts[nextStart] == at
            && !paragraph.runContinues(at) && !text[at].isLowSurrogate();
    };
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar c = text[at];
        switch (paragraph.kindAt(at)) {
        case Kind::Text: {
            if (open && newWord(at))
                open = false;
            if (!open) {
                pieces.append(
                    { std::exchange(clinging, {}), pieces.isEmpty() ? Gap::Word : pending });
                pending = Gap::Word;
                open = true;
            }
            // The rest of the word at once, rather than a letter at a time.
            qsizetype end = at + 1;
            while (end < text.size() && paragraph.kindAt(end) == Kind::Text && !newWord(end))
                ++end;
            pieces.last().text += text.sliced(at, end - at);
            at = end - 1;
            break;
        }
        case Kind::Opener:
            open = false;
            clinging += c;
            break;
        case Kind::Closer:
            // A closing mark with no word before it stays with the next one.
            if (pieces.isEmpty() || !clinging.isEmpty())
                clinging += c;
            else
                pieces.last().text += c;
            break;
        case Kind::Space:
            open = false;
            pending = std::max(pending, Gap::Space);
            break;
        case Kind::Clause:
            open = false;
            pending = std::max(pending, Gap::Clause);
            break;
        case Kind::Sentence:
            open = false;
            pending = Gap::Sentence;
            break;
        }
    }
    // Marks after the last word stay with it.
    if (!clinging.isEmpty()) {
        if (pieces.isEmpty())
            pieces.append({ clinging, Gap::Word });
        else
            pieces.last().text += clinging;
    }
    return pieces;
}

// The quotation and title marks open before each piece and after the last,
// as far as they nest sensibly: a line closes and reopens at most two.
QList<QString> openMarks(const QList<Piece> &pieces)
{
    constexpr qsizetype deepest = 2;
    QList<QString> marks;
    marks.reserve(pieces.size() + 1);
    QString stack;
    qsizetype depth = 0; // marks open, counted even beyond the deepest
    for (const Piece &piece : pieces) {
        marks.append(depth <= deepest ? stack : QString());
        for (const QChar c : piece.text) {
            if (const qsizetype opener = markIndex(openers, c); opener >= 0) {
                if (depth++ < deepest)
                    stack += c;
            } else if (const qsizetype closer = markIndex(closers, c); closer >= 0 && depth > 0
                       && (depth > deepest || stack.endsWith(openers[closer]))) {
                if (depth-- <= deepest)
                    stack.chop(1);
            }
        }
    }
    marks.append(depth <= deepest ? stack : QString());
    return marks;
}

QString closing(const QString &open)
{
    QString marks;
    for (qsizetype i = open.size() - 1; i >= 0; --i)
        marks += closers[openers.indexOf(open[i])];
    return marks;
}

// Lays out one sentence, pieces [first, last), into the lines of least cost:
// every line but a lone word at most scriptLineLength long; the squared room
// left on each line, so that even halves beat a full line and a stub; and a
// price on every break that is not at a clause mark.
void layOutSentence(const QList<Piece> &pieces, const QList<QString> &marks, qsizetype first,
                    qsizetype last, QStringList &lines)
{
    const auto gapWidth = [&](qsizetype at) {
        return pieces[at].before == Gap::Word ? 0 : 1;
    };
    // A cut between words only in a clause too long for a line, and such a
    // clause has its lines to itself: the clause marks around it always end
    // a line.
    std::vector<bool> mayBreak(last - first + 1, true);
    std::vector<bool> mustBreak(last - first + 1, false);
    bool longBefore = false;
    for (qsizetype clause = first; clause < last;) {
        qsizetype end = clause + 1;
        qsizetype length = pieces[clause].text.size();
        for (; end < last && pieces[end].before != Gap::Clause; ++end)
            length += gapWidth(end) + pieces[end].text.size();
        // With the marks a cut quotation repeats.
        const bool isLong = length + marks[clause].size() + marks[end].size() > scriptLineLength;
        for (qsizetype at = clause + 1; at < end; ++at)
            mayBreak[at - first] = isLong;
        mustBreak[clause - first] = clause > first && (isLong || longBefore);
        longBefore = isLong;
        clause = end;
    }
    // A cut between words costs less beside a quotation or a title, which
    // ends a phrase, and more before a particle, which belongs to the words
    // before it (的, 了, 吗...); cutting a quotation costs the marks repeated.
    const auto breakPrice = [&](qsizetype at) -> qint64 {
        qint64 price = 0;
        if (pieces[at].before == Gap::Word) {
            const QString &before = pieces[at - 1].text;
            const QString &after = pieces[at].text;
            price +=
                markIndex(closers, before.back()) >= 0 || markIndex(openers, after.front()) >= 0
                ? 20
                : 60;
            if (particles.contains(after.front()))
                price += 60;
        } else if (pieces[at].before == Gap::Space) {
            price += 30;
        }
        return marks[at].isEmpty() ? price : price + 40;
    };

    constexpr qint64 unreachable = std::numeric_limits<qint64>::max();
    const qsizetype count = last - first;
    // A break's price depends only on where it falls, and the search below
    // weighs every place against each end of a line that may follow it.
    std::vector<qint64> prices(count, 0);
    for (qsizetype at = 1; at < count; ++at)
        prices[at] = breakPrice(first + at);
    std::vector<qint64> best(count + 1, unreachable); // of the pieces before each place
    std::vector<qsizetype> from(count + 1, 0);
    best[0] = 0;
    for (qsizetype end = 1; end <= count; ++end) {
        qsizetype length = 0;
        for (qsizetype start = end - 1; start >= 0; --start) {
            length += pieces[first + start].text.size()
                + (start < end - 1 ? gapWidth(first + start + 1) : 0);
            const bool alone = start == end - 1;
            if (!alone && (length > scriptLineLength || mustBreak[start + 1]))
                break;
            if ((start > 0 && !mayBreak[start]) || best[start] == unreachable)
                continue;
            const qsizetype shown =
                length + marks[first + start].size() + marks[first + end].size();
            // A line too long but for a lone word is a last resort, for
            // marks that cannot be balanced within the length.
            const qint64 room = scriptLineLength - shown;
            qint64 price =
                best[start] + (room >= 0 ? room * room : (alone ? 1000 : 100000) + shown);
            price += prices[start];
            if (price < best[end]) {
                best[end] = price;
                from[end] = start;
            }
        }
    }

    QList<qsizetype> starts;
    for (qsizetype end = count; end > 0; end = from[end])
        starts.prepend(from[end]);
    starts.append(count);
    for (qsizetype line = 0; line + 1 < starts.size(); ++line) {
        const qsizetype start = first + starts[line];
        const qsizetype end = first + starts[line + 1];
        QString text = marks[start];
        for (qsizetype at = start; at < end; ++at) {
            if (at > start && gapWidth(at))
                text += u' ';
            text += pieces[at].text;
        }
        lines.append(text + closing(marks[end]));
    }
}

// The places where words start, looked up only where a line may be cut
// between words: in a stretch between clause marks that may be too long for
// a line, with the two pairs of quotation marks it may be given in a
// paragraph that has any, and the closing marks that the next stretch
// hands back after a sentence's end. Most clauses are short, and the dictionary costs
// far more than all the rest.
QList<qsizetype> wordStarts(const Paragraph &text, platform::WordBreaks &words)
{
    const QStringView paragraph = text.text();
    bool quotes = false;
    for (qsizetype at = 0; at < paragraph.size() && !quotes; ++at)
        quotes = text.kindAt(at) == Kind::Opener || text.kindAt(at) == Kind::Closer;
    const qsizetype longest = quotes ? scriptLineLength - 6 : scriptLineLength;
    QList<qsizetype> starts;
    qsizetype from = 0;
    for (qsizetype at = 0; at <= paragraph.size(); ++at) {
        if (at < paragraph.size() && text.kindAt(at) != Kind::Clause
            && text.kindAt(at) != Kind::Sentence)
            continue;
        if (at - from > longest) {
            for (const qsizetype start : words.boundaries(paragraph.sliced(from, at - from)))
                starts.append(from + start);
        }
        from = at + 1;
    }
    return starts;
}

} // namespace

ProseSplitter::ProseSplitter()
    : m_words(std::make_unique<platform::WordBreaks>())
{ }

ProseSplitter::~ProseSplitter() = default;

bool ProseSplitter::knowsWords() const
{
    return m_words->knowsWords();
}

QStringList ProseSplitter::splitParagraph(QStringView paragraph)
{
    const Paragraph text(paragraph);
    const QList<Piece> pieces = piecesOf(text, wordStarts(text, *m_words));
    const QList<QString> marks = openMarks(pieces);
    QStringList lines;
    for (qsizetype first = 0; first < pieces.size();) {
        qsizetype last = first + 1;
        while (last < pieces.size() && pieces[last].before != Gap::Sentence)
            ++last;
        layOutSentence(pieces, marks, first, last, lines);
        first = last;
    }
    return lines;
}

} // namespace captiloom::conversion
