#include "prose_splitter.h"

#include "line_layout.h"
#include "prose_paragraph.h"
#include "prose_pieces.h"
#include "roles_in_context.h"

namespace captiloom::conversion {

QStringList splitParagraph(QStringView paragraph)
{
    const ProseParagraph text(paragraph);
    QList<Piece> pieces = piecesOf(text, wordsOf(text));
    readRolesInContext(pieces);
    const QList<QString> marks = openMarks(pieces);
    QStringList lines;
    for (qsizetype first = 0; first < pieces.size();) {
        qsizetype last = first + 1;
        while (last < pieces.size() && pieces[last].before != Gap::Sentence)
            ++last;
        layOutSentence(pieces, marks, first, last, lines);
        first = last;
    }
    return lines;
}

} // namespace captiloom::conversion
