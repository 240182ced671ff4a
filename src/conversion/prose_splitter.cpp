#include "prose_splitter.h"

#include "chinese_words.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace captiloom::conversion {

namespace {

// What a character is to the splitter. The order matters: of the marks
// between two words, the strongest decides what the break is.
enum class Kind {
    Text,
    Space, // gone, one space left inside a line
    List, // 、 between the items of a list
    Clause, // ，；：— and their ASCII kin
    Sentence, // 。！？… and their ASCII kin
    Opener, // “ ‘ 《 〈 「 『 and brackets, which stay
    Closer, // and their partners
};

// How one word follows the one before it in a sentence.
enum class Gap { Word, Space, List, Clause, Sentence };

constexpr QStringView openers = u"“‘《〈「『（(【[〔";
constexpr QStringView closers = u"”’》〉」』）)】]〕";
// Those that open an aside, which a reader wants to see whole.
constexpr QStringView brackets = u"（(【[〔";

// Where `c` is among `marks` (openers or closers), or -1; most characters
// are told apart by their range, without a search.
qsizetype markIndex(QStringView marks, QChar c)
{
    const char16_t unit = c.unicode();
    if ((unit < u'‘' || unit > u'”') && (unit < u'〈' || unit > u'〕') && unit != u'（'
        && unit != u'）' && unit != u'(' && unit != u')' && unit != u'[' && unit != u']')
        return -1;
    return marks.indexOf(c);
}

bool isChineseScript(QChar c)
{
    // The common hanzi at once, without Unicode's tables.
    if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
        return true;
    if (c.unicode() < 0x80)
        return false;
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
        m_kinds.resize(text.size());
        m_glue.resize(text.size());
        for (qsizetype at = 0; at < text.size(); ++at) {
            m_kinds[at] = kindOf(at);
            const QChar c = text[at];
            m_glue[at] = m_kinds[at] == Kind::Text && !c.isSurrogate() && !isChineseScript(c);
        }
    }

    QStringView text() const { return m_text; }
    Kind kindAt(qsizetype at) const { return m_kinds[at]; }
    // Whether a line may end before `at` without cutting a run of Latin
    // letters and digits, or the symbols that go with them (50%, ¥100, C++).
    bool runContinues(qsizetype at) const { return m_glue[at - 1] && m_glue[at]; }
    // Whether the character at `at` belongs to such a run.
    bool glued(qsizetype at) const { return m_glue[at]; }

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
    std::vector<Kind> m_kinds;
    // A character of a run that is never broken; bytes, not bits, since
    // every character is asked.
    std::vector<char> m_glue;
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
        // 1,000 and =VLOOKUP(A2,E:F,2,0), but a list of names (CP/M,OpenVMS)
        // may be broken.
        return betweenRunLetters(at) && (m_text[at - 1].isDigit() || m_text[at + 1].isDigit())
            ? Kind::Text
            : Kind::Clause;
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
    case u'、':
        return Kind::List;
    case u'，':
    case u'；':
    case u';':
    case u'—':
    case u'–':
        // A range: F1—F6, 2010–2020.
        if (betweenRunLetters(at))
            return Kind::Text;
        return Kind::Clause;
    case u'：':
    case u'―':
        return Kind::Clause;
    case u'(':
    case u'[':
        // Part of a name or a formula: f(x), a[i].
        if (at > 0 && isRunLetter(m_text[at - 1]))
            return Kind::Text;
        break;
    default:
        break;
    }
    if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
        return Kind::Text;
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
    QString marks; // those marks alone, in order: not the word's own ( or ’
    Gap before = Gap::Word;
    WordRole role = WordRole::Other;
    bool latin = false; // a run of Latin letters and digits
    qsizetype letters = 0; // its characters but for the marks
};

bool nounLike(WordRole role)
{
    return role == WordRole::Noun || role == WordRole::VerbalNoun;
}

// The measure words a numeral of the dictionary may end with (一个, 一些,
// 两台).
constexpr QStringView measureWords = u"个些种份条项台张位次名件套款本篇部家类段句";

// The units that make a numeral of the dictionary a time.
constexpr QStringView timeUnits[] = { u"年代", u"世纪", u"年",   u"月",  u"日",
                                      u"天",   u"小时", u"分钟", u"秒钟" };

// Whether a character is a digit written in hanzi: 三天 and 七十年代 are
// times, 很多年 a quantity.
bool isNumber(QChar c)
{
    return QStringView(u"一二两三四五六七八九十百千万零〇几").contains(c);
}

// Whether a piece is the word `word`, without measuring the word each time.
template<qsizetype size> bool isWord(const Piece &piece, const char16_t (&word)[size])
{
    return piece.text.size() == size - 1 && std::equal(word, word + size - 1, piece.text.utf16());
}

// The paragraph as words that a line may end after, each with the strongest
// break that comes before it. Opening marks cling to the word after them,
// closing marks to the word before, even across a sentence's end (。” ends
// the sentence after the mark); spaces and pause marks are gone.
QList<Piece> piecesOf(const Paragraph &paragraph, const QList<Word> &words)
{
    const QStringView text = paragraph.text();
    QList<Piece> pieces;
    pieces.reserve(words.size() + text.size() / 4);
    bool open = false; // the last piece may still grow
    Gap pending = Gap::Word; // the strongest break since the last piece
    QString clinging; // opening marks waiting for their word
    qsizetype next = 0; // index into words
    // The word that begins at `at`, if one is known to.
    const auto wordAt = [&](qsizetype at) -> const Word * {
        while (next < words.size() && words[next].start < at)
            ++next;
        return next < words.size() && words[next].start == at ? &words[next] : nullptr;
    };
    // Whether a new word begins at `at`, a letter: never inside a run of
    // Latin letters and digits, nor a surrogate pair.
    const auto newWord = [&](qsizetype at) {
        return wordAt(at) && !paragraph.runContinues(at)
            && !(text[at].isLowSurrogate() && text[at - 1].isHighSurrogate());
    };
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar c = text[at];
        switch (paragraph.kindAt(at)) {
        case Kind::Text: {
            if (open && newWord(at))
                open = false;
            if (!open) {
                Piece piece { clinging, std::exchange(clinging, {}),
                              pieces.isEmpty() ? Gap::Word : pending };
                piece.latin = paragraph.glued(at);
                if (piece.latin)
                    piece.role = c.isDigit() ? WordRole::Numeral : WordRole::Noun;
                else if (const Word *word = wordAt(at))
                    piece.role = word->role;
                pieces.append(piece);
                pending = Gap::Word;
                open = true;
            }
            // The rest of the word at once, rather than a letter at a time.
            qsizetype end = at + 1;
            while (end < text.size() && paragraph.kindAt(end) == Kind::Text && !newWord(end))
                ++end;
            pieces.last().text += text.sliced(at, end - at);
            pieces.last().letters += end - at;
            at = end - 1;
            break;
        }
        case Kind::Opener:
            open = false;
            clinging += c;
            break;
        case Kind::Closer:
            // A closing mark with no word before it stays with the next one.
            if (pieces.isEmpty() || !clinging.isEmpty()) {
                clinging += c;
            } else {
                pieces.last().text += c;
                pieces.last().marks += c;
            }
            break;
        case Kind::Space:
            open = false;
            pending = std::max(pending, Gap::Space);
            break;
        case Kind::List:
            open = false;
            pending = std::max(pending, Gap::List);
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
        if (pieces.isEmpty()) {
            pieces.append({ clinging, clinging, Gap::Word });
        } else {
            pieces.last().text += clinging;
            pieces.last().marks += clinging;
        }
    }
    // The dictionary gives a word the part of speech it has most often; a
    // verb right after a 的, a determiner or a measure word is a noun there
    // (他的行为, 这种缺陷, 一个发布标签), and so is one right before 是, its
    // subject (电子邮件配置是).
    const auto counts = [](const Piece &piece) {
        return (piece.role == WordRole::Numeral && !piece.latin && piece.letters >= 2
                && measureWords.contains(piece.text.back()));
    };
    // Through the data at once: the list would be asked at every turn whether
    // it is shared.
    Piece *const data = pieces.data();
    const qsizetype count = pieces.size();
    for (qsizetype at = 0; at < count; ++at) {
        Piece &piece = data[at];
        // A number of years or days is a time (七十年代, 三天, 二十世纪), not a
        // count of what follows.
        if (!piece.latin
            && ((piece.role == WordRole::Numeral && isNumber(piece.text.front())
                 && std::any_of(std::begin(timeUnits), std::end(timeUnits),
                                [&](QStringView unit) { return piece.text.endsWith(unit); }))
                || (nounLike(piece.role) && piece.letters > 2
                    && (piece.text.endsWith(u"世纪") || piece.text.endsWith(u"年代")))))
            piece.role = WordRole::Time;
        // An adverb of two characters right before a noun describes that
        // noun (原来软件的名称).
        if (piece.role == WordRole::Adverb && piece.letters >= 2 && at + 1 < count
            && data[at + 1].before == Gap::Word && data[at + 1].role == WordRole::Noun
            && !data[at + 1].latin)
            piece.role = WordRole::Attribute;
        // 社群的需要: after a 的, an auxiliary is a noun.
        if (piece.role == WordRole::Auxiliary && piece.before == Gap::Word && at > 0
            && isWord(data[at - 1], u"的"))
            piece.role = WordRole::VerbalNoun;
        if (piece.role != WordRole::Verb || piece.before != Gap::Word)
            continue;
        // After a numeral, only a verb that a noun follows is one with it
        // (一些用于生成, 一个来打印).
        const bool nounAfter = piece.letters >= 2 && at + 1 < count
            && data[at + 1].before == Gap::Word && nounLike(data[at + 1].role)
            && !data[at + 1].latin; // 一个名为 Debian

        const bool afterModifier = at > 0
            && (isWord(data[at - 1], u"的") || data[at - 1].role == WordRole::Determiner
                || data[at - 1].role == WordRole::Measure || (counts(data[at - 1]) && nounAfter));
        const bool subject = piece.letters >= 2 && at + 1 < count
            && data[at + 1].before == Gap::Word && isWord(data[at + 1], u"是");
        if (afterModifier || subject)
            piece.role = WordRole::VerbalNoun;
    }
    // The object of 把 or 将 comes before its verb; a noun right before the
    // verb's complement, with no verb before it, is that verb (把订单记录备份到).
    for (qsizetype at = 0; at + 2 < count; ++at) {
        if (data[at].role != WordRole::Preposition
            || (!isWord(data[at], u"把") && !isWord(data[at], u"将")))
            continue;
        bool verb = false; // but for one of a modifier that a 的 closes
        for (qsizetype next = at + 1; next + 1 < count; ++next) {
            Piece &piece = data[next];
            const Piece &after = data[next + 1];
            if (piece.before > Gap::Space || piece.role == WordRole::Preposition)
                break;
            verb = (verb || piece.role == WordRole::Verb || piece.role == WordRole::Auxiliary)
                && !isWord(piece, u"的");
            if (!verb && nounLike(piece.role) && piece.letters >= 2 && after.before == Gap::Word
                && after.letters == 1 && QStringView(u"到在成给进").contains(after.text.front())) {
                piece.role = WordRole::Verb;
                break;
            }
        }
    }
    return pieces;
}

// Whether `closer` closes what `opener` opened; a bracket closes any other,
// since writers mix full-width and ASCII ones: （参见 fstab(5)).
bool closes(QChar closer, QChar opener)
{
    const qsizetype index = markIndex(closers, closer);
    return openers[index] == opener
        || (brackets.contains(opener) && index >= closers.size() - brackets.size());
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
        for (const QChar c : piece.marks) {
            if (const qsizetype opener = markIndex(openers, c); opener >= 0) {
                if (depth++ < deepest)
                    stack += c;
            } else if (const qsizetype closer = markIndex(closers, c);
                       closer >= 0 && depth > 0 && (depth > deepest || closes(c, stack.back()))) {
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

// How many words back the phrase a cut may fall in is looked for: a phrase
// longer than that is no longer one a reader holds together.
constexpr qsizetype lookBack = 10;

// Whether a word starts what is said of a subject, or a phrase of its own.
bool startsPredicate(WordRole role)
{
    return role == WordRole::Verb || role == WordRole::Auxiliary || role == WordRole::Adverb
        || role == WordRole::Preposition || role == WordRole::Conjunction;
}

// Whether a word leans on the one after it, so that a line must not end
// with it: a preposition or a conjunction starts the phrase it leads, a
// determiner or a numeral goes with its measure word or noun.
bool leadsOn(const Piece &word, const Piece &next)
{
    switch (word.role) {
    case WordRole::Preposition:
    case WordRole::Conjunction:
    case WordRole::Coordinator:
    case WordRole::Determiner:
        return true;
    case WordRole::Numeral:
        // A number set apart by a space (at 10:30 自动) ends its phrase,
        // unless a unit follows (16 GB, 3 个); so does one before a verb.
        if ((next.before != Gap::Word && !next.latin && next.role != WordRole::Measure)
            || markIndex(openers, next.text.front()) >= 0)
            return false;
        return next.role != WordRole::Verb && next.role != WordRole::Auxiliary
            && next.role != WordRole::Preposition && next.role != WordRole::Conjunction
            && next.role != WordRole::Coordinator;
    default:
        return false;
    }
}

// Whether a word leans on the one before it, so that a line must not start
// with it: 的, 了, 吗, 里, 时, 之一, 们.
bool leansBack(WordRole word)
{
    switch (word) {
    case WordRole::Structural:
    case WordRole::Aspect:
    case WordRole::Modal:
    case WordRole::Localiser:
    case WordRole::Suffix:
        return true;
    default:
        return false;
    }
}

// How closely two words that neither leads on nor leans back belong
// together: 0 where a phrase ends (after a subject, before a preposition),
// more inside one (a compound of nouns, an adverb and its verb).
qint64 closeness(const Piece &first, const Piece &second)
{
    using enum WordRole;
    const WordRole before = first.role;
    const WordRole after = second.role;
    const bool startsPhrase = after == Preposition || after == Conjunction;
    const bool startsPredicate = startsPhrase || after == Adverb || after == Auxiliary;
    switch (before) {
    case Adverb:
        // An adverb goes with what it modifies; a conjunction is not that.
        return after == Conjunction ? 60 : 250;
    case Auxiliary:
        // 可以 | 在..., but not 会 | 在...
        return first.letters >= 2 && after == Preposition ? 40 : 250;
    case Adjective:
        return nounLike(after) ? 200 : 100;
    case Attribute:
        return 250;
    case Noun:
    case VerbalNoun:
    case Suffix:
    case Pronoun:
        if (nounLike(after) || after == Attribute)
            return before == Pronoun ? 150 : 200;
        // A subject of one character (它, 我) would be left alone.
        if (before == Pronoun && first.letters == 1)
            return 100;
        if (startsPredicate || after == Time)
            return 0;
        return after == Verb ? 40 : after == Coordinator ? 80 : 100;
    case Verb:
        // 是 | 非常强大的: what the copula introduces is one with it.
        if (isWord(first, u"是"))
            return after == Adverb || after == Auxiliary ? 150 : 80;
        if (startsPhrase)
            return 30;
        if (after == Coordinator)
            return 100;
        if (after == Adverb || after == Auxiliary)
            return 20;
        // A verb and its object, better apart when the verb is no stub.
        if (nounLike(after) || after == Pronoun || after == Numeral || after == Determiner
            || after == Idiom)
            return first.letters >= 2 ? 80 : 150;
        return 200;
    case Measure:
        return nounLike(after) || after == Adjective ? 300 : 100;
    case Numeral:
        // 一些 | 与之有关的软件包: a phrase between a numeral and its noun;
        // but a number in digits is a time or a quantity of its own.
        return after == Preposition && !first.latin ? 150 : 40;
    case Time:
        if (after == Time || after == Numeral)
            return 150;
        // 七十年代 | 从…, 每天 | 都…: a time phrase ends where the predicate starts.
        if (startsPredicate)
            return 20;
        return nounLike(after) || after == Pronoun ? 40 : 120;
    case Localiser:
        return 20;
    case Aspect:
        return 30;
    case Idiom:
        return nounLike(after) ? 100 : 30;
    case Modal:
        return 0;
    case Structural:
        return after == Verb ? 200 : nounLike(after) ? 80 : 150;
    default:
        return startsPhrase ? 30 : 100;
    }
}

// Words that, right after a verb, complete it (飞到, 工作在, 走向, 变成)
// rather than start a phrase of their own; the second kind only after a verb
// of one character (拿去, 带来, but 努力 | 去查找, 尝试 | 向…).
constexpr QStringView complements = u"到在给于成进入";
constexpr QStringView shortComplements = u"向往自出回去来起开完掉住";

bool completes(const Piece &verb, const Piece &after)
{
    if (after.text.size() != 1 || verb.latin)
        return false;
    // The dictionary tags some verbs of one character as nouns (飞).
    const bool isVerb = verb.role == WordRole::Verb || verb.role == WordRole::VerbalNoun
        || (verb.role == WordRole::Noun && verb.text.size() == 1);
    return isVerb
        && (complements.contains(after.text.front())
            || (verb.text.size() == 1 && shortComplements.contains(after.text.front())));
}

// Whether a cut before pieces[at] falls inside a modifier that a 的 ends,
// the noun or the predicate before the cut belonging to it: 一群大熊猫 |
// 在野外的生活, 歧视程序 | 可以被用于的领域. After a verb the modifier may as
// well start at the cut (发现 | 喜欢的人), which is no harm.
bool insideModifier(const QList<Piece> &pieces, qsizetype at, qsizetype last)
{
    using enum WordRole;
    const WordRole before = pieces[at - 1].role;
    if (!(nounLike(before) || before == Pronoun || before == Localiser || before == Adverb
          || before == Auxiliary || pieces[at - 1].latin))
        return false;
    const WordRole first = pieces[at].role;
    const bool preposition = first == Preposition;
    if (!preposition && first != Adverb && first != Auxiliary && first != Verb)
        return false;
    bool predicate = !preposition; // past a preposition's object
    // A 的 between a preposition and its first noun closes a modifier of that
    // noun (通过相应的图形配置工具), inside the preposition's phrase.
    bool objectAhead = preposition;
    for (qsizetype next = at + 1; next < last && pieces[next].before <= Gap::Space; ++next) {
        const Piece &piece = pieces[next];
        const WordRole previous = pieces[next - 1].role;
        if (piece.role == Structural && isWord(piece, u"的")) {
            // A 的 that ends the clause closes a predicate (是…的), and one
            // before a predicate a phrase standing for a noun (比超市里买的更健康),
            // unless another modifier follows (吃过的最好吃的一碗面).
            if (next + 1 == last || pieces[next + 1].before > Gap::Space)
                return false;
            if (startsPredicate(pieces[next + 1].role)) {
                qsizetype end = next + 1;
                while (end < last && pieces[end].before <= Gap::Space
                       && !isWord(pieces[end], u"的"))
                    ++end;
                if (end == last || pieces[end].before > Gap::Space)
                    return false;
            }
            if (objectAhead && !preposition)
                return false;
            if (predicate)
                return true;
            // The preposition's object may hold a 的 of its own, and end in a
            // place (在左侧的列表中找到, 在寺庙的门口排队).
            while (++next < last && pieces[next].before == Gap::Word && nounLike(pieces[next].role))
                ;
            return next == last || pieces[next].before > Gap::Space
                || !(pieces[next].role == Verb || pieces[next].role == Auxiliary
                     || pieces[next].role == Adverb || pieces[next].role == Localiser
                     || pieces[next].role == Preposition);
        }
        if (piece.role == Conjunction || piece.role == Coordinator || piece.role == Structural)
            return false;
        // After a verb's aspect its object starts (面临着越来越严重的).
        if (previous == Aspect)
            return false;
        if (piece.role == Numeral && previous == Adverb) {
            continue; // 最多, 很少: a predicate still
        } else if (nounLike(piece.role) || piece.role == Pronoun || piece.role == Numeral
                   || piece.role == Determiner || piece.role == Time || piece.latin) {
            if (predicate)
                return false;
            objectAhead = false;
        } else if (piece.role == Adjective
                   && (previous == Verb || previous == Auxiliary || previous == Aspect)) {
            return false; // the verb's object starts (需要 | 适当的过程, 面临着严重的)
        } else if (piece.role == Verb && previous == Verb) {
            return false; // so does a second verb's (排队购买刚出炉的面包)
        } else if (piece.role == Verb || piece.role == Auxiliary) {
            predicate = true;
        } else if (piece.role == Preposition) {
            predicate = false; // a phrase of its own, object and all
            objectAhead = !isWord(piece, u"被"); // which may have none (被用于)
        }
    }
    return false;
}

// Whether the words before pieces[at], in its clause, are a preposition and
// its object so far (向诸如此类 | 销售行为的销售方, 通过自己的努力 | 去查找),
// with no verb between.
bool afterPrepositionalObject(const QList<Piece> &pieces, qsizetype at)
{
    using enum WordRole;
    if (pieces[at].before > Gap::Space)
        return false;
    bool modifier = false; // a 的 between the preposition and the cut
    for (qsizetype back = at - 1; back >= std::max<qsizetype>(0, at - lookBack); --back) {
        const Piece &piece = pieces[back];
        // A phrase of 对 or 关于 and a 的 modify what follows (对这些进程的 |
        // 统一); the object of another holds a 的 of its own (通过纵横交错的道路).
        if (piece.role == Preposition)
            return back + 1 < at
                && !(modifier
                     && (isWord(piece, u"对") || isWord(piece, u"对于") || isWord(piece, u"关于")));
        // Verbs before a 的 are those of the modifier (为你所使用的 | 账户).
        if (((piece.role == Verb || piece.role == Auxiliary || piece.role == Adverb) && !modifier)
            || piece.role == Localiser || piece.role == Conjunction || piece.before > Gap::Space)
            return false;
        modifier = modifier || isWord(piece, u"的");
    }
    return false;
}

// Whether the words from pieces[at] on, before anything else starts a
// phrase, are closed by a 的 as what it modifies (与之 | 有依赖关系的软件包).
bool closedByDe(const QList<Piece> &pieces, qsizetype at, qsizetype last)
{
    for (qsizetype next = at + 1; next < last && next < at + 5 && pieces[next].before <= Gap::Space;
         ++next) {
        const Piece &piece = pieces[next];
        if (isWord(piece, u"的"))
            return next + 1 < last && pieces[next + 1].before <= Gap::Space;
        // A verb after a noun starts a predicate of its own (写入数据 | 来改变).
        if (piece.role == WordRole::Conjunction || piece.role == WordRole::Coordinator
            || piece.role == WordRole::Preposition
            || (piece.role == WordRole::Verb && nounLike(pieces[next - 1].role)))
            return false;
    }
    return false;
}

// Whether a piece is a preposition that opens a time or a place, which a
// localiser closes (在…里, 从…以后).
bool opensPlace(const Piece &piece)
{
    static constexpr QStringView opening[] = { u"在", u"当", u"从", u"自从", u"于", u"自" };
    return piece.role == WordRole::Preposition
        && std::find(std::begin(opening), std::end(opening), piece.text) != std::end(opening);
}

// Whether a cut before pieces[at] falls inside a time or place phrase that
// a localiser closes (在电源 | 被安全地关闭前, 从那 | 以后).
bool insideLocalisedPhrase(const QList<Piece> &pieces, qsizetype at, qsizetype last)
{
    using enum WordRole;
    bool opened = false;
    for (qsizetype back = at - 1; back >= std::max<qsizetype>(0, at - lookBack) && !opened;
         --back) {
        const Piece &piece = pieces[back];
        if (piece.role == Preposition && opensPlace(piece))
            opened = true;
        else if (piece.role == Localiser || piece.role == Conjunction || piece.role == Preposition
                 || piece.before > Gap::Space)
            return false;
    }
    if (!opened)
        return false;
    qsizetype letters = 0;
    for (qsizetype next = at; next < last && pieces[next].before <= Gap::Space; ++next) {
        if (pieces[next].role == Localiser)
            return true;
        letters += pieces[next].letters;
        if (letters > 12 || pieces[next].role == Conjunction)
            return false;
    }
    return false;
}

// The letters of the object that starts at pieces[at], to whatever starts a
// predicate or a phrase of its own.
qsizetype objectLetters(const QList<Piece> &pieces, qsizetype at, qsizetype last)
{
    qsizetype letters = pieces[at].letters;
    for (qsizetype next = at + 1; next < last && pieces[next].before <= Gap::Space; ++next) {
        if (startsPredicate(pieces[next].role) || brackets.contains(pieces[next].text.front()))
            break;
        letters += pieces[next].letters;
    }
    return letters;
}

// How a cut after a 的 (pieces[at - 1]) and before its noun fares: well
// when what the 的 closes says much (新鲜烘焙的 | 咖啡豆), badly after a
// word or two (准确的 | 细节), and worst when the noun itself is followed by
// a 的 (来源的 | 程序的一套).
qint64 afterModifier(const QList<Piece> &pieces, qsizetype at, qsizetype last)
{
    using enum WordRole;
    // Worst too when the noun has one character, alone at a line's start
    // (之一的 | 键在…).
    if (at + 1 < last && pieces[at + 1].before == Gap::Word
        && (isWord(pieces[at + 1], u"的")
            || (pieces[at].letters == 1 && !nounLike(pieces[at + 1].role))))
        return 300;
    // A possessive of one word (它的 | 退出状态, Debian 的 | 标准) is one
    // with its noun.
    if (at > 1
        && (pieces[at - 2].role == Pronoun || pieces[at - 2].latin
            || pieces[at - 2].before > Gap::Space || (at > 2 && pieces[at - 3].role == Determiner)))
        return 150;
    qsizetype letters = 0;
    // The verb the whole phrase belongs to: the first back before a noun's
    // 的 (检查 | 电池的年限), the second before a verb's (她说 | 自己腌的酸菜).
    qsizetype verbs = at > 1 && nounLike(pieces[at - 2].role) ? 1 : 0;
    for (qsizetype back = at - 2; back >= std::max<qsizetype>(0, at - lookBack); --back) {
        const Piece &piece = pieces[back];
        verbs += piece.role == Verb;
        // A modifier never reaches back across the copula (是成功的 | 系统管理).
        if (piece.role == Determiner || piece.role == Numeral || piece.role == Conjunction
            || piece.role == Coordinator || piece.role == Structural || piece.role == Preposition
            || verbs > 1 || isWord(piece, u"是"))
            break;
        letters += piece.letters;
        if (piece.before > Gap::Space)
            break;
    }
    return letters >= 4 ? 40 : 150;
}

// Whether a cut before the noun at pieces[at] parts it from the determiner
// or the numeral that leads its phrase, with less than a long modifier
// between (这些纵横交错的 | 道路, 一个多小时的 | 队).
bool partsFromDeterminer(const QList<Piece> &pieces, qsizetype at)
{
    using enum WordRole;
    if (!nounLike(pieces[at].role))
        return false;
    qsizetype letters = 0;
    for (qsizetype back = at - 1; back >= std::max<qsizetype>(0, at - lookBack); --back) {
        const Piece &piece = pieces[back];
        if (piece.role == Determiner || piece.role == Numeral)
            return letters < 6;
        if (startsPredicate(piece.role) || piece.role == Localiser || piece.role == Coordinator
            || piece.before > Gap::Space)
            return false;
        letters += piece.letters;
    }
    return false;
}

// The role a piece plays before a cut: 上 or 下 right after a verb
// completes it (排上, 放下) rather than ending a noun's phrase.
WordRole endingRole(const QList<Piece> &pieces, qsizetype at)
{
    const Piece &piece = pieces[at];
    if ((isWord(piece, u"上") || isWord(piece, u"下")) && at > 0 && piece.before == Gap::Word
        && pieces[at - 1].role == WordRole::Verb)
        return WordRole::Verb;
    return piece.role;
}

// The characters of the aside that an opening bracket at pieces[at] starts,
// to its closing bracket, or 0 when it has none.
qsizetype asideLength(const QList<Piece> &pieces, qsizetype at)
{
    qsizetype letters = 0;
    for (qsizetype next = at; next < pieces.size(); ++next) {
        letters += pieces[next].letters;
        if (std::any_of(pieces[next].text.begin(), pieces[next].text.end(), [](QChar c) {
                return markIndex(closers, c) >= closers.size() - brackets.size();
            }))
            return letters;
    }
    return 0;
}

// Whether pieces[at] is the 这样 that closes a comparison 像 or 如 opened
// (像“/tmp”这样, 如“hacking”这般): it leans on what is compared.
bool closesComparison(const QList<Piece> &pieces, qsizetype at)
{
    static constexpr QStringView closing[] = {
        u"这样", u"这般", u"那样", u"那般", u"一样", u"一般"
    };
    static constexpr QStringView opening[] = { u"像", u"如", u"好像", u"就像", u"如同", u"类似" };
    const auto among = [](const auto &words, const Piece &piece) {
        return std::find(std::begin(words), std::end(words), piece.text) != std::end(words);
    };
    const Piece &piece = pieces[at];
    if (piece.letters != 2 || !QStringView(u"这那一").contains(piece.text.front())
        || !among(closing, piece))
        return false;
    for (qsizetype back = at - 1; back >= std::max<qsizetype>(0, at - lookBack); --back) {
        if (among(opening, pieces[back]))
            return true;
        if (pieces[back].before > Gap::Space)
            return false;
    }
    return false;
}

// What a line ending before pieces[at], inside a clause, costs; `open` the
// marks still open there, `last` the end of the sentence.
qint64 cutPrice(const QList<Piece> &pieces, qsizetype at, qsizetype last, QStringView open)
{
    // The piece before, as it ends: copied only in the rare case its role
    // there is another.
    Piece adjusted;
    const WordRole ending = endingRole(pieces, at - 1);
    const Piece &before = ending == pieces[at - 1].role
        ? pieces[at - 1]
        : (adjusted = pieces[at - 1], adjusted.role = ending, adjusted);
    const Piece &after = pieces[at];
    qint64 price = 0;
    if (leadsOn(before, after))
        price += 600;
    if (leansBack(after.role))
        price += 600;
    // A numeral leads on across a short modifier too (很多 | 下班的年轻人,
    // 许多 | 可引导的光盘).
    const auto describes = [](WordRole role) {
        return role == WordRole::Verb || role == WordRole::Adverb || role == WordRole::Auxiliary
            || role == WordRole::Adjective;
    };
    if (before.role == WordRole::Numeral && describes(after.role)) {
        for (qsizetype next = at + 1; next < std::min(last, at + 3); ++next) {
            if (isWord(pieces[next], u"的")) {
                price += 600;
                break;
            }
            if (!describes(pieces[next].role))
                break;
        }
    }
    // A localiser right after the preposition it would close closes nothing:
    // it begins a word the dictionary does not hold (在上 | 电事件后; but 按下).
    if (before.role == WordRole::Localiser && before.letters == 1 && before.before == Gap::Word
        && after.before == Gap::Word && !after.latin && at > 1
        && pieces[at - 2].role == WordRole::Preposition && opensPlace(pieces[at - 2]))
        price += 600;
    if (closesComparison(pieces, at))
        price += 600;
    // A cut as bad as that is a last resort, whatever else is said of it.
    if (price > 0)
        return price + (open.isEmpty() ? 0 : 40);
    const bool prepositional = afterPrepositionalObject(pieces, at);
    const bool modifier = insideModifier(pieces, at, last);
    // A verb after a preposition's object ends its phrase, unless a 的 makes
    // the verb part of the object (把自己 | 写好的作业).
    const bool verb = after.role == WordRole::Verb || after.role == WordRole::Auxiliary;
    // A verb of one character before another is more often the end of a noun
    // the dictionary did not know (目录树保存).
    const bool stub = after.letters == 1 && at + 1 < last && pieces[at + 1].before == Gap::Word
        && pieces[at + 1].role == WordRole::Verb;
    const bool ends = prepositional && verb && !stub && !modifier && !closedByDe(pieces, at, last);
    // A quotation or a title is a phrase of its own, unless it names the
    // noun after it (“页码”按钮); a short aside glosses the word before it
    // and stays with it (广域网（因特网）), a long one is a remark of its own.
    if (markIndex(closers, before.text.back()) >= 0)
        price += nounLike(after.role) ? 150 : 20;
    else if (brackets.contains(after.text.front()))
        price += asideLength(pieces, at) <= 8 && (nounLike(after.role) || after.latin) ? 200 : 20;
    else if (markIndex(openers, after.text.front()) >= 0)
        price += 20;
    else if (completes(before, after))
        price += 400;
    else if (isWord(before, u"的")
             && (nounLike(after.role) || after.role == WordRole::Adjective
                 || after.role == WordRole::Attribute || after.latin))
        price += afterModifier(pieces, at, last);
    else if (ends)
        price += before.role == WordRole::Pronoun && before.letters == 1 ? 100 : 20;
    else if (after.before == Gap::Space && !before.latin && !after.latin)
        price += 30; // a pause the writer made with a space
    else
        price += closeness(before, after);
    if (partsFromDeterminer(pieces, at))
        price += 150;
    // A verb and an object of a few characters are read as one.
    const bool object = before.role == WordRole::Verb
        || (before.role == WordRole::Aspect && at > 1 && pieces[at - 2].role == WordRole::Verb);
    if (object && !startsPredicate(after.role) && after.role != WordRole::Coordinator
        && objectLetters(pieces, at, last) < 5)
        price += 100;
    if (modifier)
        price += 150;
    // A preposition's phrase is best kept whole.
    if (prepositional && !ends && (verb || !startsPredicate(after.role))
        && after.role != WordRole::Coordinator)
        price += 100;
    // 比你自己 | 更懂: a comparison is one phrase.
    if (prepositional && (after.text.startsWith(u'更') || after.text.startsWith(u'还')))
        price += 150;
    if (insideLocalisedPhrase(pieces, at, last))
        price += 150;
    // A verb and its noun, a 的 after them, are most often a modifier
    // (有依赖关系的软件包).
    if (before.role == WordRole::Verb && nounLike(after.role) && at + 1 < last
        && pieces[at + 1].before == Gap::Word && isWord(pieces[at + 1], u"的"))
        price += 100;
    // Latin words in a row are most often one name: Windows Media Player.
    if (before.latin && after.latin)
        price += 1000;
    // A cut quotation repeats its marks; an aside or a title is best seen
    // whole.
    if (std::any_of(open.begin(), open.end(),
                    [](QChar c) { return c == u'《' || brackets.contains(c); }))
        price += 300;
    else if (!open.isEmpty())
        price += 40;
    return price;
}

// Whether the words around a 、 are short items of a list of nouns (金矿、麦田,
// 护照、签证) rather than phrases a line may end between.
bool tightList(const Piece &before, const Piece &after)
{
    const auto item = [](const Piece &piece) {
        return piece.letters <= 4 && !piece.latin && piece.role != WordRole::Numeral
            && piece.role != WordRole::Determiner && piece.role != WordRole::Pronoun;
    };
    return item(before) && item(after) && (nounLike(before.role) || nounLike(after.role));
}

// A line of one or two characters, where the sentence has more.
constexpr qint64 orphanPrice = 1000;
// A break at a clause mark that a line had better run across.
constexpr qint64 softPrice = 150;

// Lays out one sentence, pieces [first, last), into the lines of least cost:
// every line but a lone word at most scriptLineLength long; the squared room
// left on each line, so that even lines beat a full line and a stub; a price
// on every break that is not at a clause mark, and on a line too short.
void layOutSentence(const QList<Piece> &pieces, const QList<QString> &marks, qsizetype first,
                    qsizetype last, QStringList &lines)
{
    const qsizetype count = last - first;
    const auto gapWidth = [&](qsizetype at) {
        return pieces[at].before == Gap::Word ? 0 : 1;
    };
    // The clauses, each from its start to the next one's. The mark between
    // two is soft, a line had better run across it, beside a clause of one
    // or two characters (例如，… and 财富，经历，名气) and between the nouns of a
    // list (护照、签证).
    QList<qsizetype> clauses;
    for (qsizetype at = first; at < last; ++at) {
        if (at == first || pieces[at].before >= Gap::List)
            clauses.append(at);
    }
    clauses.append(last);
    // Bytes rather than bits: the search below asks them at every turn.
    std::vector<char> soft(count + 1, false);
    for (qsizetype clause = 0; clause + 1 < clauses.size(); ++clause) {
        const qsizetype start = clauses[clause];
        const qsizetype end = clauses[clause + 1];
        qsizetype letters = 0;
        for (qsizetype at = start; at < end; ++at)
            letters += pieces[at].letters;
        if (letters <= 2) {
            soft[start - first] = start > first;
            soft[end - first] = end < last;
        }
        if (start > first && pieces[start].before == Gap::List
            && tightList(pieces[start - 1], pieces[start]))
            soft[start - first] = true;
    }
    // A cut between words only in a clause too long for a line, taken with
    // those it runs into across soft marks, and such a clause has its lines
    // to itself: the marks around it always end a line.
    std::vector<char> mayBreak(count + 1, true);
    std::vector<char> mustBreak(count + 1, false);
    bool longBefore = false;
    for (qsizetype clause = 0; clause + 1 < clauses.size();) {
        const qsizetype start = clauses[clause];
        while (soft[clauses[++clause] - first])
            ;
        const qsizetype end = clauses[clause];
        qsizetype length = pieces[start].text.size();
        for (qsizetype at = start + 1; at < end; ++at)
            length += gapWidth(at) + pieces[at].text.size();
        // With the marks a cut quotation repeats.
        const bool isLong = length + marks[start].size() + marks[end].size() > scriptLineLength;
        for (qsizetype at = start + 1; at < end; ++at)
            mayBreak[at - first] = isLong || pieces[at].before >= Gap::List;
        mustBreak[start - first] = start > first && (isLong || longBefore);
        longBefore = isLong;
    }
    // A break's price depends only on where it falls, and the search below
    // weighs every place against each end of a line that may follow it.
    std::vector<qint64> prices(count, 0);
    for (qsizetype at = 1; at < count; ++at) {
        const Piece &piece = pieces[first + at];
        if (!mayBreak[at])
            continue;
        if (piece.before <= Gap::Space)
            prices[at] = cutPrice(pieces, first + at, last, marks[first + at]);
        else
            prices[at] = (soft[at] ? softPrice : 0) + (marks[first + at].isEmpty() ? 0 : 40);
    }

    constexpr qint64 unreachable = std::numeric_limits<qint64>::max();
    std::vector<qint64> best(count + 1, unreachable); // of the pieces before each place
    std::vector<qsizetype> from(count + 1, 0);
    best[0] = 0;
    for (qsizetype end = 1; end <= count; ++end) {
        qsizetype length = 0;
        qsizetype letters = 0;
        for (qsizetype start = end - 1; start >= 0; --start) {
            length += pieces[first + start].text.size()
                + (start < end - 1 ? gapWidth(first + start + 1) : 0);
            letters += pieces[first + start].letters;
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
                best[start] + (room >= 0 ? room * room / 2 : (alone ? 1000 : 100000) + shown);
            price += prices[start];
            if (letters <= 2 && (start > 0 || end < count))
                price += orphanPrice;
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

// The words, looked up only where a line may be cut between them or their
// roles are asked: in a stretch between clause marks that may be too long
// for a line, with the quotation marks and brackets that cling to its words
// across a mark, those of two quotations a line may repeat, and a lead-in
// of two characters and its mark on either side; and either side of a 、.
// Most clauses are short, and looking words up costs more than all the rest.
QList<Word> wordsOf(const Paragraph &text)
{
    const QStringView paragraph = text.text();
    struct Stretch
    {
        qsizetype from = 0;
        qsizetype to = 0;
        qsizetype letters = 0;
        qsizetype handed = 0; // marks that cling to its words from elsewhere
        bool list = false; // beside a 、
    };
    QList<Stretch> stretches { {} };
    bool quotes = false;
    // As the words will take them: opening marks go to the next letter,
    // closing ones to the last, whatever marks come between.
    qsizetype pending = 0;
    qsizetype lastLettered = -1;
    for (qsizetype at = 0; at < paragraph.size(); ++at) {
        switch (text.kindAt(at)) {
        case Kind::Text:
            ++stretches.last().letters;
            stretches.last().handed += std::exchange(pending, 0);
            lastLettered = stretches.size() - 1;
            break;
        case Kind::Opener:
            ++pending;
            quotes = true;
            break;
        case Kind::Closer:
            if (lastLettered < 0 || pending > 0)
                ++pending;
            else
                ++stretches[lastLettered].handed;
            quotes = true;
            break;
        case Kind::List:
        case Kind::Clause:
        case Kind::Sentence: {
            const bool list = text.kindAt(at) == Kind::List;
            stretches.last().to = at;
            stretches.last().list = stretches.last().list || list;
            stretches.append({ at + 1, at + 1, 0, list });
            break;
        }
        case Kind::Space:
            break;
        }
    }
    stretches.last().to = paragraph.size();
    if (lastLettered >= 0)
        stretches[lastLettered].handed += pending;
    const auto leadIn = [&](qsizetype index) {
        return index >= 0 && index < stretches.size() && stretches[index].letters <= 2 ? 3 : 0;
    };
    QList<Word> words;
    words.reserve(paragraph.size());
    for (qsizetype index = 0; index < stretches.size(); ++index) {
        const Stretch &stretch = stretches[index];
        const qsizetype most = stretch.to - stretch.from + stretch.handed + leadIn(index - 1)
            + leadIn(index + 1) + (quotes ? 6 : 0);
        if (most <= scriptLineLength && !stretch.list)
            continue;
        for (Word word : readWords(paragraph.sliced(stretch.from, stretch.to - stretch.from))) {
            word.start += stretch.from;
            words.append(word);
        }
    }
    return words;
}

} // namespace

QStringList splitParagraph(QStringView paragraph)
{
    const Paragraph text(paragraph);
    const QList<Piece> pieces = piecesOf(text, wordsOf(text));
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
