#include "cut_price.h"

#include "enclosing_phrases.h"
#include "word_bonds.h"

namespace captiloom::conversion {

namespace {

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

} // namespace

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
        && after.before == Gap::Word && !after.latin && at > 1 && opensPlace(pieces[at - 2]))
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

} // namespace captiloom::conversion
