// How well prose is split into subtitle lines, measured on Chinese prose no
// one here wrote: the fortunes of Debian's fortunes-zh (GPL-3), read from the
// installed package at run time, each paragraph of each fortune joined back
// from its hard-wrapped lines. Prints the figures docs/splitting.md reports.
//
// Breaks are found back in the source: a break with a space or a pause mark
// beside it is at punctuation; any other must be a boundary of ICU's own
// word iterator for Chinese, asked here directly.

#include "conversion_run.h"
#include "prose_splitter.h"
#include "quiet_services.h"
#include "script_writing.h"
#include "subtitle_clock.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <unicode/ubrk.h>

#include <algorithm>
#include <cstdio>

using namespace captiloom;
using namespace Qt::StringLiterals;

namespace {

QStringList paragraphsOf(const QString &fortunes)
{
    static const QRegularExpression colour(u"\x1b\\[[0-9;]*m"_s);
    static const QRegularExpression attribution(u"^\\s*(--|——)"_s);
    QStringList paragraphs;
    for (const QString &fortune : QString(fortunes).remove(colour).split(u"\n%\n"_s)) {
        for (const QString &block : fortune.split(u"\n\n"_s)) {
            QString joined;
            for (QString line : block.split(u'\n')) {
                line = line.trimmed();
                if (line.isEmpty() || attribution.match(line).hasMatch())
                    continue;
                // Hard wraps cut English words apart only at spaces.
                if (!joined.isEmpty() && joined.back().unicode() < 0x80 && line[0].unicode() < 0x80)
                    joined += u' ';
                joined += line;
            }
            // Prose: mostly hanzi, not a table or a list of commands.
            static const QRegularExpression han(u"\\p{Han}"_s);
            if (joined.size() >= 20 && joined.count(han) * 2 >= joined.size())
                paragraphs << joined;
        }
    }
    return paragraphs;
}

QSet<qsizetype> icuBoundaries(const QString &text)
{
    UErrorCode status = U_ZERO_ERROR;
    UBreakIterator *words =
        ubrk_open(UBRK_WORD, "zh", reinterpret_cast<const UChar *>(text.utf16()),
                  int32_t(text.size()), &status);
    QSet<qsizetype> found;
    for (int32_t at = ubrk_first(words); at != UBRK_DONE; at = ubrk_next(words))
        found.insert(at);
    ubrk_close(words);
    return found;
}

bool isMark(QChar c)
{
    return c.isSpace() || c.isPunct() || c.isSymbol();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QFile file(u"/usr/share/games/fortunes/chinese.u8"_s);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "needs the fortunes-zh package\n");
        return 2;
    }
    const QStringList paragraphs = paragraphsOf(QString::fromUtf8(file.readAll()));

    conversion::ProseSplitter splitter;
    qint64 lines = 0, over = 0, overWords = 0, stubs = 0, breaks = 0, atMarks = 0, insideWords = 0,
           cutStubs = 0;
    QStringList longWords;
    QStringList convertible; // the paragraphs without a word too long to convert
    for (const QString &paragraph : paragraphs) {
        const QStringList split = splitter.splitParagraph(paragraph);
        if (std::all_of(split.cbegin(), split.cend(),
                        [](const QString &line) { return line.size() <= conversion::longestLine; }))
            convertible << paragraph;
        const QSet<qsizetype> boundaries = icuBoundaries(paragraph);
        qsizetype at = 0; // where the source has been matched to
        bool cutBefore = false; // the line before ended between two words
        for (qsizetype i = 0; i < split.size(); ++i) {
            const QString &line = split[i];
            ++lines;
            stubs += line.size() <= 2;
            if (line.size() > conversion::scriptLineLength) {
                ++over;
                // A single word: a path, a name or an address, in Latin
                // letters without a space; a hanzi in it is a word boundary.
                static const QRegularExpression breakable(u"[\\s\\p{Han}]"_s);
                if (!line.contains(breakable)) {
                    ++overWords;
                    longWords << line;
                } else {
                    longWords << u"WITH A BREAK: "_s + line;
                }
            }
            // Each character of the line in the source, but for the quotation
            // marks repeated on a line of a cut quotation.
            qsizetype first = -1;
            for (const QChar c : line) {
                if (c == u' ')
                    continue;
                qsizetype found = at;
                while (found < paragraph.size() && paragraph[found] != c
                       && isMark(paragraph[found]))
                    ++found;
                if (found < paragraph.size() && paragraph[found] == c) {
                    if (first < 0)
                        first = found;
                    at = found + 1;
                }
            }
            bool cutAfter = false;
            if (i + 1 < split.size()) {
                ++breaks;
                const qsizetype next = at;
                if (next < paragraph.size() && isMark(paragraph[next]))
                    ++atMarks;
                else if (next > 0 && isMark(paragraph[next - 1]))
                    ++atMarks;
                else if (!boundaries.contains(next))
                    ++insideWords;
                cutAfter = next > 0 && next < paragraph.size() && !isMark(paragraph[next])
                    && !isMark(paragraph[next - 1]);
            }
            cutStubs += line.size() <= 2 && (cutBefore || cutAfter);
            cutBefore = cutAfter;
        }
    }

    // The corpus as one source, split and converted as a user would, in GBK;
    // but for the paragraphs whose paths and addresses no line can hold, and
    // the few whose characters GBK has not.
    QTemporaryDir folder;
    const QString source = folder.filePath(u"prose.txt"_s);
    QFile prose(source);
    QStringEncoder gbk("GBK");
    QByteArray bytes;
    for (const QString &paragraph : std::as_const(convertible)) {
        const QByteArray encoded = gbk.encode(paragraph);
        if (!gbk.hasError())
            bytes += encoded + "\r\n";
        gbk.resetState();
    }
    if (!prose.open(QIODevice::WriteOnly) || prose.write(bytes) < 0)
        return 2;
    prose.close();
    const QString script = conversion::ScriptPath(source);
    const conversion::ScriptOutcome outcome = conversion::WriteScript(source, script, false);
    bench::QuietServices services;
    conversion::RunConversion(script, folder.filePath(u"prose.utf"_s), services);

    const auto share = [](qint64 part, qint64 whole) {
        return 100.0 * part / std::max<qint64>(whole, 1);
    };
    std::printf("Prose split: %lld paragraphs of fortunes-zh, %lld script lines, %lld breaks "
                "inside paragraphs (ICU %s)\n",
                qint64(paragraphs.size()), lines, breaks, U_ICU_VERSION);
    std::printf("%-52s %10s\n", "figure", "value");
    std::printf("%-52s %9.2f%%\n", "lines of at most 20 characters", share(lines - over, lines));
    std::printf("%-52s %10lld\n", "lines over 20 characters that are single words", overWords);
    std::printf("%-52s %10lld\n", "lines over 20 characters with a break in them",
                over - overWords);
    std::printf("%-52s %9.2f%%\n", "breaks at punctuation or a space", share(atMarks, breaks));
    std::printf("%-52s %10lld\n", "breaks inside an ICU word", insideWords);
    std::printf("%-52s %9.2f%%\n", "lines of 1 or 2 characters", share(stubs, lines));
    std::printf("%-52s %10lld\n", "  of which left by a cut between words", cutStubs);
    std::printf("%-52s %10lld\n", "paragraphs with a word too long to convert",
                qint64(paragraphs.size() - convertible.size()));
    std::printf("%-52s %10s\n", "the others split and converted in GBK, no long line",
                outcome.kind == conversion::ScriptOutcome::Kind::Written
                        && outcome.overlongLine == 0
                        && services.outcome() == bench::QuietServices::Outcome::Finished
                    ? "yes"
                    : "NO");
    for (const QString &word : longWords)
        std::printf("  single word: %s\n", qPrintable(word));
    return insideWords == 0 && over == overWords ? 0 : 1;
}
