#pragma once

#include "chinese_words.h"
#include "prose_paragraph.h"

#include <QList>
#include <QString>

#include <algorithm>

// The paragraph as the pieces a line is made of: each word with the marks
// that cling to it, its role, and the break before it.
namespace captiloom::conversion {

// How one word follows the one before it in a sentence.
enum class Gap { Word, Space, List, Clause, Sentence };

struct Piece
{
    QString text; // a word, with the marks that cling to it
    QString marks; // those marks alone, in order: not the word's own ( or ’
    Gap before = Gap::Word;
    WordRole role = WordRole::Other;
    bool latin = false; // a run of Latin letters and digits
    qsizetype letters = 0; // its characters but for the marks
};

inline bool nounLike(WordRole role)
{
    return role == WordRole::Noun || role == WordRole::VerbalNoun;
}

// Whether a piece is the word `word`, without measuring the word each time.
template<qsizetype size> bool isWord(const Piece &piece, const char16_t (&word)[size])
{
    return piece.text.size() == size - 1 && std::equal(word, word + size - 1, piece.text.utf16());
}

// The paragraph as words that a line may end after, each with the strongest
// break that comes before it and its role as the dictionary gives it.
QList<Piece> piecesOf(const ProseParagraph &paragraph, const QList<Word> &words);

// The quotation and title marks open before each piece and after the last.
QList<QString> openMarks(const QList<Piece> &pieces);

// The marks that close `open`, innermost first.
QString closingMarks(const QString &open);

} // namespace captiloom::conversion
