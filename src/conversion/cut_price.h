#pragma once

#include "prose_pieces.h"

namespace captiloom::conversion {

// What a line ending before pieces[at], inside a clause, costs; `open` the
// marks still open there, `last` the end of the sentence.
qint64 cutPrice(const QList<Piece> &pieces, qsizetype at, qsizetype last, QStringView open);

} // namespace captiloom::conversion
