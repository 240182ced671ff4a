#include "workloads.h"

#include <QByteArray>
#include <QFile>

#include <random>

namespace captiloom::bench {

namespace {

constexpr int largestLineCount = 32767;
constexpr int largestBlankCount = 2767;
constexpr int typicalLineCount = 600;
constexpr qint64 endlessLineBytes = 512 * 1024 * 1024;
constexpr int tooManyLineCount = 40000;

// std::mt19937's sequence is fixed by the standard; the distributions are
// not, so the mapping from its numbers to text is done here.
class Source
{
public:
    explicit Source(quint32 seed)
        : m_engine(seed)
    { }
    quint32 below(quint32 bound) { return static_cast<quint32>(m_engine() % bound); }

private:
    std::mt19937 m_engine;
};

// One subtitle line of 1 to 23 characters: about four in five are common
// Chinese characters (the GB2312 first level, two bytes each), the rest Latin
// letters, digits and spaces, the mix of a narration that names products.
void appendLine(Source &source, QByteArray &out)
{
    static constexpr char latin[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ";
    const quint32 length = 1 + source.below(23);
    for (quint32 i = 0; i < length; ++i) {
        if (source.below(5) == 0) {
            out.append(latin[source.below(sizeof latin - 1)]);
            continue;
        }
        // Rows 0xB0 to 0xD6 are full; row 0xD7 ends at 0xF9.
        const quint32 row = 0xB0 + source.below(0xD7 - 0xB0);
        const quint32 cell = 0xA1 + source.below(0xFE - 0xA1 + 1);
        out.append(static_cast<char>(row));
        out.append(static_cast<char>(cell));
    }
}

QByteArray largestSource(int lineCount)
{
    Source source(20240611);
    // Exactly largestBlankCount blank lines, spread at random.
    QList<bool> blank(largestLineCount, false);
    for (int i = 0; i < largestBlankCount; ++i)
        blank[i] = true;
    for (int i = largestLineCount - 1; i > 0; --i)
        std::swap(blank[i], blank[source.below(static_cast<quint32>(i) + 1)]);

    QByteArray out;
    out.reserve(lineCount * 26);
    for (int i = 0; i < lineCount; ++i) {
        if (!blank[i])
            appendLine(source, out);
        out.append("\r\n");
    }
    return out;
}

QByteArray typicalSource()
{
    Source source(600);
    QByteArray out;
    for (int i = 0; i < typicalLineCount; ++i) {
        // A paragraph break about every eight lines.
        if (source.below(8) != 0)
            appendLine(source, out);
        out.append("\r\n");
    }
    return out;
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Letters without a line break, written as one short run repeated, so the
// file costs seconds rather than minutes to make.
bool writeEndlessLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray chunk(4 * 1024 * 1024, 'a');
    for (qint64 written = 0; written < endlessLineBytes; written += chunk.size()) {
        if (file.write(chunk) != chunk.size())
            return false;
    }
    return true;
}

} // namespace

bool writeWorkloads(const QString &directory, Workloads &workloads)
{
    workloads.largest = directory + u"/largest.txt";
    workloads.largestEighth = directory + u"/largest-eighth.txt";
    workloads.largestQuarter = directory + u"/largest-quarter.txt";
    workloads.largestHalf = directory + u"/largest-half.txt";
    workloads.typical = directory + u"/typical.txt";
    workloads.endlessLine = directory + u"/endless-line.txt";
    workloads.tooManyLines = directory + u"/too-many-lines.txt";

    return write(workloads.largest, largestSource(largestLineCount))
        && write(workloads.largestEighth, largestSource(largestLineCount / 8))
        && write(workloads.largestQuarter, largestSource(largestLineCount / 4))
        && write(workloads.largestHalf, largestSource(largestLineCount / 2))
        && write(workloads.typical, typicalSource()) && writeEndlessLine(workloads.endlessLine)
        && write(workloads.tooManyLines, QByteArray("ab\r\n").repeated(tooManyLineCount));
}

} // namespace captiloom::bench
