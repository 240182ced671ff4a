#pragma once

#include <QStringList>
#include <QStringView>

namespace captiloom::conversion {

// The longest line the splitter writes, counted as the conversion counts: in
// UTF-16 units. Only a single word longer than that makes a longer line.
inline constexpr qsizetype scriptLineLength = 20;

// Breaks a paragraph of prose into subtitle lines, as Chinese subtitles are
// written, and returns them in order; none when it holds only spaces and
// punctuation.
//
// A sentence starts a new line; within it lines end at clause marks, and
// short clauses of one sentence share a line when they fit. A clause too long
// for one line is cut between words (jieba's dictionary tells them, the same
// on every system), where a reader would pause: never inside a word or a run
// of Latin letters and digits (3.5, 10:30, App, e-mail), nor after a word that
// leads into the next (在, 和, 这个, 一) or before one that leans on the last
// (的, 了, 吗, 里, 之一); a phrase boundary is worth a less even cut. A line
// of one or two characters is avoided unless it is a whole sentence: a short
// lead-in such as 例如 joins the line after it.
//
// Pause marks go: at a line's end they are dropped, inside a line each run of
// them leaves one space. Quotation and title marks stay, and so do brackets;
// a quotation or an aside cut across lines is closed and reopened on each.
QStringList splitParagraph(QStringView paragraph);

} // namespace captiloom::conversion
