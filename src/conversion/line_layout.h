#pragma once

#include "prose_pieces.h"

#include <QStringList>

namespace captiloom::conversion {

// Lays out one sentence, pieces [first, last), into the lines of least cost
// and appends them to `lines`; `marks` are the marks open before each piece.
void layOutSentence(const QList<Piece> &pieces, const QList<QString> &marks, qsizetype first,
                    qsizetype last, QStringList &lines);

} // namespace captiloom::conversion
