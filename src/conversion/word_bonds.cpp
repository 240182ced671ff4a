#include "word_bonds.h"

namespace captiloom::conversion {

namespace {

// Words that, right after a verb, complete it (飞到, 工作在, 走向, 变成)
// rather than start a phrase of their own; the second kind only after a verb
// of one character (拿去, 带来, but 努力 | 去查找, 尝试 | 向…).
constexpr QStringView complements = u"到在给于成进入";
constexpr QStringView shortComplements = u"向往自出回去来起开完掉住";

} // namespace

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

// Whether a word of one character right after a verb completes it rather
// than starts a phrase of its own.
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

} // namespace captiloom::conversion
