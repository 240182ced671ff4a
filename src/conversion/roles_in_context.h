#pragma once

#include "prose_pieces.h"

namespace captiloom::conversion {

// The dictionary gives a word the part of speech it has most often; reads
// the role each piece has in its sentence from the words around it, where a
// pattern of the grammar tells it (a verb after 的 is a noun).
void readRolesInContext(QList<Piece> &pieces);

} // namespace captiloom::conversion
