#include "prose_pieces.h"

namespace captiloom::conversion {

namespace {

// Whether `closer` closes what `opener` opened; a bracket closes any other,
// since writers mix full-width and ASCII ones: （参见 fstab(5)).
bool closes(QChar closer, QChar opener)
{
    const qsizetype index = markIndex(closers, closer);
    return openers[index] == opener
        || (brackets.contains(opener) && index >= closers.size() - brackets.size());
}

} // namespace

// The paragraph as words that a line may end after, each with the strongest
// break that comes before it. Opening marks cling to the word after them,
// closing marks to the word before, even across a sentence's end (。” ends
// the sentence after the mark); spaces and pause marks are gone.
QList<Piece> piecesOf(const ProseParagraph &paragraph, const QList<Word> &words)
{
    const QStringView text = paragraph.text();
    QList<Piece> pieces;
    pieces.reserve(words.size() + text.size() / 4);
    bool open = false; // the last piece may still grow
    Gap pending = Gap::Word; // the strongest break since the last piece
    QString clinging; // opening marks waiting for their word
    qsizetype next = 0; // index into words
    // The word that begins at `at`, if one is known to.
    const auto wordAt = [&](qsizetype at) -> const Word * {
        while (next < words.size() && words[next].start < at)
            ++next;
        return next < words.size() && words[next].start == at ? &words[next] : nullptr;
    };
    // Whether a new word begins at `at`, a letter: never inside a run of
    // Latin letters and digits, nor a surrogate pair.
    const auto newWord = [&](qsizetype at) {
        return wordAt(at) && !paragraph.runContinues(at)
            && !(text[at].isLowSurrogate() && text[at - 1].isHighSurrogate());
    };
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar c = text[at];
        switch (paragraph.kindAt(at)) {
        case CharacterKind::Text: {
            if (open && newWord(at))
                open = false;
            if (!open) {
                Piece piece { clinging, std::exchange(clinging, {}),
                              pieces.isEmpty() ? Gap::Word : pending };
                piece.latin = paragraph.glued(at);
                if (piece.latin)
                    piece.role = c.isDigit() ? WordRole::Numeral : WordRole::Noun;
                else if (const Word *word = wordAt(at))
                    piece.role = word->role;
                pieces.append(piece);
                pending = Gap::Word;
                open = true;
            }
            // The rest of the word at once, rather than a letter at a time.
            qsizetype end = at + 1;
            while (end < text.size() && paragraph.kindAt(end) == CharacterKind::Text
                   && !newWord(end))
                ++end;
            pieces.last().text += text.sliced(at, end - at);
            pieces.last().letters += end - at;
            at = end - 1;
            break;
        }
        case CharacterKind::Opener:
            open = false;
            clinging += c;
            break;
        case CharacterKind::Closer:
            // A closing mark with no word before it stays with the next one.
            if (pieces.isEmpty() || !clinging.isEmpty()) {
                clinging += c;
            } else {
                pieces.last().text += c;
                pieces.last().marks += c;
            }
            break;
        case CharacterKind::Space:
            open = false;
            pending = std::max(pending, Gap::Space);
            break;
        case CharacterKind::List:
            open = false;
            pending = std::max(pending, Gap::List);
            break;
        case CharacterKind::Clause:
            open = false;
            pending = std::max(pending, Gap::Clause);
            break;
        case CharacterKind::Sentence:
            open = false;
            pending = Gap::Sentence;
            break;
        }
    }
    // Marks after the last word stay with it.
    if (!clinging.isEmpty()) {
        if (pieces.isEmpty()) {
            pieces.append({ clinging, clinging, Gap::Word });
        } else {
            pieces.last().text += clinging;
            pieces.last().marks += clinging;
        }
    }
    return pieces;
}

// The quotation and title marks open before each piece and after the last,
// as far as they nest sensibly: a line closes and reopens at most two.
QList<QString> openMarks(const QList<Piece> &pieces)
{
    constexpr qsizetype deepest = 2;
    QList<QString> marks;
    marks.reserve(pieces.size() + 1);
    QString stack;
    qsizetype depth = 0; // marks open, counted even beyond the deepest
    for (const Piece &piece : pieces) {
        marks.append(depth <= deepest ? stack : QString());
        for (const QChar c : piece.marks) {
            if (const qsizetype opener = markIndex(openers, c); opener >= 0) {
                if (depth++ < deepest)
                    stack += c;
            } else if (const qsizetype closer = markIndex(closers, c);
                       closer >= 0 && depth > 0 && (depth > deepest || closes(c, stack.back()))) {
                if (depth-- <= deepest)
                    stack.chop(1);
            }
        }
    }
    marks.append(depth <= deepest ? stack : QString());
    return marks;
}

QString closingMarks(const QString &open)
{
    QString marks;
    for (qsizetype i = open.size() - 1; i >= 0; --i)
        marks += closers[openers.indexOf(open[i])];
    return marks;
}

} // namespace captiloom::conversion
