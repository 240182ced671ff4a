#include "line_assignment.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace captiloom::voice {

namespace {

// The weights of what makes a placement likely: the syllables a line holds
// against those its text has, its length against the narrator's pace, and
// the pause that ends it.
constexpr double countWeight = 4.0;
constexpr double paceWeight = 1.0;
constexpr double pauseWeight = 1.5;
// Pauses longer than this tell nothing more.
constexpr qsizetype longestPauseFrames = 50;
// The subtitle stays this long after its sound has faded, unless the next
// line starts sooner.
constexpr qint64 lingerMs = 200;

bool isVowel(QChar c)
{
    return QStringView(u"aeiouyAEIOUY").contains(c);
}

} // namespace

int syllablesIn(QStringView text)
{
    int count = 0;
    int groups = -1; // in the Latin word being read; -1 outside one
    bool inVowels = false;
    for (const QChar c : text) {
        // Full-width letters count as the letters they stand for.
        const QChar plain =
            c.unicode() >= 0xFF21 && c.unicode() <= 0xFF5A ? QChar(c.unicode() - 0xFEE0) : c;
        if (plain.unicode() < 0x80 && plain.isLetter()) {
            groups = std::max(groups, 0);
            if (isVowel(plain) && !inVowels)
                ++groups;
            inVowels = isVowel(plain);
            continue;
        }
        // A word of consonants alone, as GPS, is read letter by letter: one
        // syllable is the least it takes.
        count += std::max(groups, groups < 0 ? 0 : 1);
        groups = -1;
        inVowels = false;
        if (c.isDigit() || (c.script() == QChar::Script_Han && c.isLetter()) || c.isHighSurrogate())
            ++count;
    }
    return count + std::max(groups, groups < 0 ? 0 : 1);
}

QList<conversion::LineTime> assignLines(const SpeechMap &map,
                                        const QList<conversion::TimedLine> &lines)
{
    const qsizetype lineCount = lines.size();
    const qsizetype heard = map.syllables.size();
    QList<double> expected(lineCount);
    double expectedTotal = 0;
    for (qsizetype i = 0; i < lineCount; ++i) {
        expected[i] = std::max(1, syllablesIn(lines[i].text));
        expectedTotal += expected[i];
    }
    // The narrator's pace: the usual distance from one syllable to the next
    // within a stretch of speech.
    QList<qsizetype> steps;
    for (qsizetype j = 0; j + 1 < heard; ++j) {
        if (map.gaps[j].pauseFrames * frameMs < stretchPauseMs)
            steps.append(map.syllables[j + 1].frame - map.syllables[j].frame);
    }
    std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
    const double pace = steps.isEmpty() ? 20.0 : std::max<double>(steps[steps.size() / 2], 1);
    const auto frameOf = [&](qsizetype syllable) {
        return map.syllables[syllable].frame;
    };
    const auto pauseBonus = [&](qsizetype gap, qsizetype line) {
        const double pause = std::min(map.gaps[gap].pauseFrames, longestPauseFrames);
        return pauseWeight * pause / 10 * (lines[line].blanksBefore > 0 ? 2 : 1);
    };
    // The cost of line i holding syllables [from, to).
    const auto lineCost = [&](qsizetype i, qsizetype from, qsizetype to) {
        const double count = static_cast<double>(to - from);
        const double miss = count - expected[i];
        const double span = static_cast<double>(frameOf(to - 1) - frameOf(from)) + pace;
        const double stretch = std::log(span / (expected[i] * pace));
        return countWeight * miss * miss / (expected[i] + 1) + paceWeight * stretch * stretch;
    };

    // Line i starts at a syllable near where the script's syllables before
    // it say, within `reach`: far enough for a narrator who speeds up or
    // slows down, and a table that stays small for a long recording.
    const qsizetype reach = std::clamp<qsizetype>(heard / 8, 100, 1000);
    QList<qsizetype> low(lineCount + 1);
    QList<qsizetype> high(lineCount + 1);
    double before = 0;
    for (qsizetype i = 0; i <= lineCount; ++i) {
        const auto centre = static_cast<qsizetype>(std::llround(before / expectedTotal * heard));
        // Room for the lines before and after, one syllable each.
        low[i] = std::max(i, centre - reach);
        high[i] = std::min(heard - (lineCount - i), centre + reach);
        if (i < lineCount)
            before += expected[i];
    }
    low[0] = high[0] = 0;
    low[lineCount] = high[lineCount] = heard;
    const qsizetype span = 2 * reach + 1;

    // cost: the best placement of the lines before i with line i starting
    // at syllable s; from: where the line before it then started.
    constexpr double none = std::numeric_limits<double>::infinity();
    QList<double> cost(span, none);
    QList<double> next(span, none);
    QList<qint32> from((lineCount + 1) * span, -1);
    cost[0] = 0;
    for (qsizetype i = 0; i < lineCount; ++i) {
        std::fill(next.begin(), next.end(), none);
        const auto most = static_cast<qsizetype>(3 * expected[i]) + 3;
        for (qsizetype s = low[i]; s <= high[i]; ++s) {
            const double sofar = cost[s - low[i]];
            if (sofar == none)
                continue;
            for (qsizetype e = std::max(s + 1, low[i + 1]); e <= std::min(s + most, high[i + 1]);
                 ++e) {
                double total = sofar + lineCost(i, s, e);
                if (e < heard)
                    total -= pauseBonus(e - 1, i + 1);
                if (total < next[e - low[i + 1]]) {
                    next[e - low[i + 1]] = total;
                    from[(i + 1) * span + e - low[i + 1]] = static_cast<qint32>(s);
                }
            }
        }
        std::swap(cost, next);
    }
    // Every syllable belongs to a line; should the limits above leave no way
    // to place them all, the lines share them out by their lengths.
    QList<qsizetype> starts(lineCount + 1);
    starts[lineCount] = heard;
    if (cost[0] == none) {
        for (qsizetype i = 0; i < lineCount; ++i)
            starts[i] = i * heard / lineCount;
    } else {
        for (qsizetype i = lineCount; i > 0; --i)
            starts[i - 1] = from[i * span + starts[i] - low[i]];
    }

    QList<conversion::LineTime> times(lineCount);
    for (qsizetype i = 0; i < lineCount; ++i) {
        qsizetype start = map.firstSpeech;
        if (i > 0) {
            const Gap &gap = map.gaps[starts[i] - 1];
            start = onsetFrom(map, gap.speechStart, gap.speechEnd);
            times[i].unsure = gap.pauseFrames * frameMs < surePauseMs;
        }
        times[i].startMs = frameTimeMs(start);
    }
    for (qsizetype i = 0; i < lineCount; ++i) {
        // The last line stays until the recording ends, if sooner.
        qint64 end =
            std::min(frameTimeMs(map.lastSpeech) + lingerMs, frameTimeMs(map.level.size()));
        if (i + 1 < lineCount) {
            const Gap &gap = map.gaps[starts[i + 1] - 1];
            end = std::min(frameTimeMs(fadeFrom(map, gap.speechEnd, gap.speechStart)) + lingerMs,
                           times[i + 1].startMs);
        }
        times[i].endMs = std::max(end, times[i].startMs + frameMs);
    }
    return times;
}

} // namespace captiloom::voice
