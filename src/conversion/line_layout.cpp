#include "line_layout.h"

#include "cut_price.h"
#include "prose_splitter.h"

#include <limits>
#include <vector>

namespace captiloom::conversion {

namespace {

// Whether the words around a 、 are short items of a list of nouns (金矿、麦田,
// 护照、签证) rather than phrases a line may end between.
bool tightList(const Piece &before, const Piece &after)
{
    const auto item = [](const Piece &piece) {
        return piece.letters <= 4 && !piece.latin && piece.role != WordRole::Numeral
            && piece.role != WordRole::Determiner && piece.role != WordRole::Pronoun;
    };
    return item(before) && item(after) && (nounLike(before.role) || nounLike(after.role));
}

// A line of one or two characters, where the sentence has more.
constexpr qint64 orphanPrice = 1000;
// A break at a clause mark that a line had better run across.
constexpr qint64 softPrice = 150;

} // namespace

// Lays out one sentence, pieces [first, last), into the lines of least cost:
// every line but a lone word at most scriptLineLength long; the squared room
// left on each line, so that even lines beat a full line and a stub; a price
// on every break that is not at a clause mark, and on a line too short.
void layOutSentence(const QList<Piece> &pieces, const QList<QString> &marks, qsizetype first,
                    qsizetype last, QStringList &lines)
{
    const qsizetype count = last - first;
    const auto gapWidth = [&](qsizetype at) {
        return pieces[at].before == Gap::Word ? 0 : 1;
    };
    // The clauses, each from its start to the next one's. The mark between
    // two is soft, a line had better run across it, beside a clause of one
    // or two characters (例如，… and 财富，经历，名气) and between the nouns of a
    // list (护照、签证).
    QList<qsizetype> clauses;
    for (qsizetype at = first; at < last; ++at) {
        if (at == first || pieces[at].before >= Gap::List)
            clauses.append(at);
    }
    clauses.append(last);
    // Bytes rather than bits: the search below asks them at every turn.
    std::vector<char> soft(count + 1, false);
    for (qsizetype clause = 0; clause + 1 < clauses.size(); ++clause) {
        const qsizetype start = clauses[clause];
        const qsizetype end = clauses[clause + 1];
        qsizetype letters = 0;
        for (qsizetype at = start; at < end; ++at)
            letters += pieces[at].letters;
        if (letters <= 2) {
            soft[start - first] = start > first;
            soft[end - first] = end < last;
        }
        if (start > first && pieces[start].before == Gap::List
            && tightList(pieces[start - 1], pieces[start]))
            soft[start - first] = true;
    }
    // A cut between words only in a clause too long for a line, taken with
    // those it runs into across soft marks, and such a clause has its lines
    // to itself: the marks around it always end a line.
    std::vector<char> mayBreak(count + 1, true);
    std::vector<char> mustBreak(count + 1, false);
    bool longBefore = false;
    for (qsizetype clause = 0; clause + 1 < clauses.size();) {
        const qsizetype start = clauses[clause];
        while (soft[clauses[++clause] - first])
            ;
        const qsizetype end = clauses[clause];
        qsizetype length = pieces[start].text.size();
        for (qsizetype at = start + 1; at < end; ++at)
            length += gapWidth(at) + pieces[at].text.size();
        // With the marks a cut quotation repeats.
        const bool isLong = length + marks[start].size() + marks[end].size() > scriptLineLength;
        for (qsizetype at = start + 1; at < end; ++at)
            mayBreak[at - first] = isLong || pieces[at].before >= Gap::List;
        mustBreak[start - first] = start > first && (isLong || longBefore);
        longBefore = isLong;
    }
    // A break's price depends only on where it falls, and the search below
    // weighs every place against each end of a line that may follow it.
    std::vector<qint64> prices(count, 0);
    for (qsizetype at = 1; at < count; ++at) {
        const Piece &piece = pieces[first + at];
        if (!mayBreak[at])
            continue;
        if (piece.before <= Gap::Space)
            prices[at] = cutPrice(pieces, first + at, last, marks[first + at]);
        else
            prices[at] = (soft[at] ? softPrice : 0) + (marks[first + at].isEmpty() ? 0 : 40);
    }

    constexpr qint64 unreachable = std::numeric_limits<qint64>::max();
    std::vector<qint64> best(count + 1, unreachable); // of the pieces before each place
    std::vector<qsizetype> from(count + 1, 0);
    best[0] = 0;
    for (qsizetype end = 1; end <= count; ++end) {
        qsizetype length = 0;
        qsizetype letters = 0;
        for (qsizetype start = end - 1; start >= 0; --start) {
            length += pieces[first + start].text.size()
                + (start < end - 1 ? gapWidth(first + start + 1) : 0);
            letters += pieces[first + start].letters;
            const bool alone = start == end - 1;
            if (!alone && (length > scriptLineLength || mustBreak[start + 1]))
                break;
            if ((start > 0 && !mayBreak[start]) || best[start] == unreachable)
                continue;
            const qsizetype shown =
                length + marks[first + start].size() + marks[first + end].size();
            // A line too long but for a lone word is a last resort, for
            // marks that cannot be balanced within the length.
            const qint64 room = scriptLineLength - shown;
            qint64 price =
                best[start] + (room >= 0 ? room * room / 2 : (alone ? 1000 : 100000) + shown);
            price += prices[start];
            if (letters <= 2 && (start > 0 || end < count))
                price += orphanPrice;
            if (price < best[end]) {
                best[end] = price;
                from[end] = start;
            }
        }
    }

    QList<qsizetype> starts;
    for (qsizetype end = count; end > 0; end = from[end])
        starts.prepend(from[end]);
    starts.append(count);
    for (qsizetype line = 0; line + 1 < starts.size(); ++line) {
        const qsizetype start = first + starts[line];
        const qsizetype end = first + starts[line + 1];
        QString text = marks[start];
        for (qsizetype at = start; at < end; ++at) {
            if (at > start && gapWidth(at))
                text += u' ';
            text += pieces[at].text;
        }
        lines.append(text + closingMarks(marks[end]));
    }
}

} // namespace captiloom::conversion
