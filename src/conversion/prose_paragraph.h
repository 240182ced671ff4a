#pragma once

#include "chinese_words.h"

#include <QList>
#include <QStringView>

#include <vector>

// A paragraph of prose as the splitter reads it: what each character is, and
// the words of the stretches where a line may have to be cut.
namespace captiloom::conversion {

// What a character is to the splitter. The order matters: of the marks
// between two words, the strongest decides what the break is.
enum class CharacterKind {
    Text,
    Space, // gone, one space left inside a line
    List, // 、 between the items of a list
    Clause, // ，；：— and their ASCII kin
    Sentence, // 。！？… and their ASCII kin
    Opener, // “ ‘ 《 〈 「 『 and brackets, which stay
    Closer, // and their partners
};

// Hanzi, kana, hangul and bopomofo: read by words of the dictionary, never
// as a run of letters that stays whole.
bool isChineseScript(QChar c);

// Quotation and title marks and brackets, each opener at its closer's place.
inline constexpr QStringView openers = u"“‘《〈「『（(【[〔";
inline constexpr QStringView closers = u"”’》〉」』）)】]〕";
// Those that open an aside, which a reader wants to see whole.
inline constexpr QStringView brackets = u"（(【[〔";

// Where `c` is among `marks` (openers or closers), or -1; most characters
// are told apart by their range, without a search.
inline qsizetype markIndex(QStringView marks, QChar c)
{
    const char16_t unit = c.unicode();
    if ((unit < u'‘' || unit > u'”') && (unit < u'〈' || unit > u'〕') && unit != u'（'
        && unit != u'）' && unit != u'(' && unit != u')' && unit != u'[' && unit != u']')
        return -1;
    return marks.indexOf(c);
}

class ProseParagraph
{
public:
    explicit ProseParagraph(QStringView text);

    QStringView text() const { return m_text; }
    CharacterKind kindAt(qsizetype at) const { return m_kinds[at]; }
    // Whether a line may end before `at` without cutting a run of Latin
    // letters and digits, or the symbols that go with them (50%, ¥100, C++).
    bool runContinues(qsizetype at) const { return m_glue[at - 1] && m_glue[at]; }
    // Whether the character at `at` belongs to such a run.
    bool glued(qsizetype at) const { return m_glue[at]; }

private:
    // ASCII marks inside a run belong to it: 3.5, 10:30, 1,000, e-mail, -5,
    // don’t, https://.
    bool betweenRunLetters(qsizetype at) const;
    CharacterKind kindOf(qsizetype at) const;

    QStringView m_text;
    std::vector<CharacterKind> m_kinds;
    // A character of a run that is never broken; bytes, not bits, since
    // every character is asked.
    std::vector<char> m_glue;
};

// The words of the paragraph where a line may be cut between them or their
// roles are asked: in the stretches between clause marks that may be too
// long for a line, and beside a 、. Elsewhere none: most clauses are short,
// and looking words up costs more than all the rest of the splitting.
QList<Word> wordsOf(const ProseParagraph &paragraph);

} // namespace captiloom::conversion
