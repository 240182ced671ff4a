#pragma once

#include <QStringList>
#include <QStringView>

#include <memory>

namespace captiloom::platform {
class WordBreaks;
}

namespace captiloom::conversion {

// The longest line the splitter writes, counted as the conversion counts: in
// UTF-16 units. Only a single word longer than that makes a longer line.
inline constexpr qsizetype scriptLineLength = 20;

// Breaks a paragraph of prose into subtitle lines, as Chinese subtitles are
// written: a sentence starts a new line; within it lines end at clause marks,
// and a clause too long for one line is cut at a word boundary, into halves
// as even as the words allow, never inside a word or a run of Latin letters
// and digits (3.5, 10:30, App, e-mail). Short clauses of one sentence share a
// line when they fit. Pause marks go: at a line's end they are dropped, inside
// a line each run of them leaves one space. Quotation and title marks stay,
// and a quotation cut across lines is closed and reopened on each.
class ProseSplitter
{
public:
    ProseSplitter();
    Q_DISABLE_COPY_MOVE(ProseSplitter)
    ~ProseSplitter();

    // The lines of one paragraph, in order; none when it holds only spaces
    // and punctuation.
    QStringList splitParagraph(QStringView paragraph);

    // False where the system has no Chinese dictionary (Windows without its
    // ICU, as under Wine): words are then only told apart at script changes,
    // spaces and punctuation, and a cut may fall inside a Chinese word.
    bool knowsWords() const;

private:
    std::unique_ptr<platform::WordBreaks> m_words;
};

} // namespace captiloom::conversion
