#include "prose_paragraph.h"

#include "prose_splitter.h"

namespace captiloom::conversion {

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

namespace {

// A letter or digit of a run that is never broken: Latin, Greek, Cyrillic,
// digits, in either width.
bool isRunLetter(QChar c)
{
    return c.isLetterOrNumber() && !isChineseScript(c);
}

} // namespace

ProseParagraph::ProseParagraph(QStringView text)
    : m_text(text)
{
    m_kinds.resize(text.size());
    m_glue.resize(text.size());
    for (qsizetype at = 0; at < text.size(); ++at) {
        m_kinds[at] = kindOf(at);
        const QChar c = text[at];
        m_glue[at] = m_kinds[at] == CharacterKind::Text && !c.isSurrogate() && !isChineseScript(c);
    }
}

bool ProseParagraph::betweenRunLetters(qsizetype at) const
{
    return at > 0 && at + 1 < m_text.size() && isRunLetter(m_text[at - 1])
        && isRunLetter(m_text[at + 1]);
}

CharacterKind ProseParagraph::kindOf(qsizetype at) const
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
            ? CharacterKind::Text
            : CharacterKind::Sentence;
    case u',':
        // 1,000 and =VLOOKUP(A2,E:F,2,0), but a list of names (CP/M,OpenVMS)
        // may be broken.
        return betweenRunLetters(at) && (m_text[at - 1].isDigit() || m_text[at + 1].isDigit())
            ? CharacterKind::Text
            : CharacterKind::Clause;
    case u':':
        return betweenRunLetters(at) || (at > 0 && isRunLetter(m_text[at - 1]) && next() == u'/')
            ? CharacterKind::Text
            : CharacterKind::Clause;
    case u'-':
        return isRunLetter(next()) ? CharacterKind::Text : CharacterKind::Clause;
    case u'’':
        return betweenRunLetters(at) ? CharacterKind::Text : CharacterKind::Closer;
    case u'。':
    case u'．':
    case u'｡':
    case u'！':
    case u'？':
    case u'!':
    case u'?':
    case u'…':
    case u'‥':
        return CharacterKind::Sentence;
    case u'、':
        return CharacterKind::List;
    case u'，':
    case u'；':
    case u';':
    case u'—':
    case u'–':
        // A range: F1—F6, 2010–2020.
        if (betweenRunLetters(at))
            return CharacterKind::Text;
        return CharacterKind::Clause;
    case u'：':
    case u'―':
        return CharacterKind::Clause;
    case u'(':
    case u'[':
        // Part of a name or a formula: f(x), a[i].
        if (at > 0 && isRunLetter(m_text[at - 1]))
            return CharacterKind::Text;
        break;
    default:
        break;
    }
    if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
        return CharacterKind::Text;
    if (c.isSpace())
        return CharacterKind::Space;
    if (markIndex(openers, c) >= 0)
        return CharacterKind::Opener;
    if (markIndex(closers, c) >= 0)
        return CharacterKind::Closer;
    return CharacterKind::Text;
}

// The words, looked up only where a line may be cut between them or their
// roles are asked: in a stretch between clause marks that may be too long
// for a line, with the quotation marks and brackets that cling to its words
// across a mark, those of two quotations a line may repeat, and a lead-in
// of two characters and its mark on either side; and either side of a 、.
// Most clauses are short, and looking words up costs more than all the rest.
QList<Word> wordsOf(const ProseParagraph &text)
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
        case CharacterKind::Text:
            ++stretches.last().letters;
            stretches.last().handed += std::exchange(pending, 0);
            lastLettered = stretches.size() - 1;
            break;
        case CharacterKind::Opener:
            ++pending;
            quotes = true;
            break;
        case CharacterKind::Closer:
            if (lastLettered < 0 || pending > 0)
                ++pending;
            else
                ++stretches[lastLettered].handed;
            quotes = true;
            break;
        case CharacterKind::List:
        case CharacterKind::Clause:
        case CharacterKind::Sentence: {
            const bool list = text.kindAt(at) == CharacterKind::List;
            stretches.last().to = at;
            stretches.last().list = stretches.last().list || list;
            stretches.append({ at + 1, at + 1, 0, list });
            break;
        }
        case CharacterKind::Space:
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

} // namespace captiloom::conversion
