#include "enclosing_phrases.h"

#include "word_bonds.h"

namespace captiloom::conversion {

namespace {

// How many words back the phrase a cut may fall in is looked for: a phrase
// longer than that is no longer one a reader holds together.
constexpr qsizetype lookBack = 10;

} // namespace

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
        if (opensPlace(piece))
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

} // namespace captiloom::conversion
