#include "roles_in_context.h"

namespace captiloom::conversion {

namespace {

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

} // namespace

void readRolesInContext(QList<Piece> &pieces)
{
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
}

} // namespace captiloom::conversion
