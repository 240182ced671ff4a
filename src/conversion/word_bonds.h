#pragma once

#include "prose_pieces.h"

// How two words side by side are bound, as far as a line may end between
// them: whether one leads on to the next or leans back on the last, and how
// closely they belong together.
namespace captiloom::conversion {

// Whether a word starts what is said of a subject, or a phrase of its own.
bool startsPredicate(WordRole role);
// Whether a line must not end with `word`, which leads into `next` (在, 和,
// 这个, 一).
bool leadsOn(const Piece &word, const Piece &next);
// Whether a line must not start with a word of this role, which leans on the
// word before it (的, 了, 吗, 里, 之一, 们).
bool leansBack(WordRole word);
// How closely two words that neither leads on nor leans back belong
// together: 0 where a phrase ends, more inside one.
qint64 closeness(const Piece &first, const Piece &second);
// Whether `after` completes the verb before it (飞到, 变成, 拿去).
bool completes(const Piece &verb, const Piece &after);

} // namespace captiloom::conversion
