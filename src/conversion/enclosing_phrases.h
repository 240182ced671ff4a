#pragma once

#include "prose_pieces.h"

// The phrases a cut before pieces[at] may fall inside, found by reading the
// sentence back and on from it; `last` is the end of the sentence.
namespace captiloom::conversion {

// Inside a modifier that a 的 ends (一群大熊猫 | 在野外的生活).
bool insideModifier(const QList<Piece> &pieces, qsizetype at, qsizetype last);
// Right after a preposition and its object (通过自己的努力 | 去查找).
bool afterPrepositionalObject(const QList<Piece> &pieces, qsizetype at);
// Before words that a 的 closes as what it modifies (与之 | 有依赖关系的).
bool closedByDe(const QList<Piece> &pieces, qsizetype at, qsizetype last);
// Whether a piece opens a time or a place that a localiser closes (在, 从).
bool opensPlace(const Piece &piece);
// Inside such a phrase (在电源 | 被安全地关闭前).
bool insideLocalisedPhrase(const QList<Piece> &pieces, qsizetype at, qsizetype last);
// The letters of the object that starts at the cut.
qsizetype objectLetters(const QList<Piece> &pieces, qsizetype at, qsizetype last);
// The price of a cut between a 的 and its noun.
qint64 afterModifier(const QList<Piece> &pieces, qsizetype at, qsizetype last);
// Between a noun and the determiner or numeral that leads its phrase.
bool partsFromDeterminer(const QList<Piece> &pieces, qsizetype at);
// The characters of the aside a bracket at the cut opens, or 0.
qsizetype asideLength(const QList<Piece> &pieces, qsizetype at);
// Before the 这样 that closes a comparison (像上面 | 那样).
bool closesComparison(const QList<Piece> &pieces, qsizetype at);

} // namespace captiloom::conversion
