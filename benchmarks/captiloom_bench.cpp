// Measures how close a conversion comes to the least work it needs, what the
// window adds to it, how the program starts, how much memory a run takes and
// how the time grows with the source; prints one table of ratios, each
// measured against a baseline taken in this same run.

#include "child_process.h"
#include "floor_run.h"
#include "quiet_services.h"
#include "window_run.h"
#include "workloads.h"

#include "code_page.h"
#include "conversion_run.h"
#include "main_form.h"
#include "script_writing.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <unistd.h>

using namespace captiloom;
using bench::QuietServices;
using namespace Qt::StringLiterals;

namespace {

// Timed runs after one untimed warm-up; the figures are medians. R3 sets two
// starts of some 25 ms apart by a millisecond or two, which a neighbour's
// build on a shared machine can hide in 15 runs, so starts are run more.
constexpr int timedRuns = 15;
constexpr int startupRuns = 45;
constexpr int memoryRuns = 3;

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Processor time, not wall time: two cores shared with builds and tests would
// otherwise decide the figures. Both sides of every ratio wait for the disk
// alike, in the same flush of the same kind of file.
double timeMs(const std::function<void()> &work)
{
    const qint64 start = bench::processCpuNs();
    work();
    return (bench::processCpuNs() - start) / 1e6;
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Thrown rather than exiting on the spot, so that the temporary folder and
// its half a gigabyte of workloads go away with a failed run too.
struct Failure
{
    const char *what;
};

[[noreturn]] void giveUp(const char *what)
{
    throw Failure { what };
}

qsizetype floorRun(const QString &source, const QString &output, const QByteArray &document)
{
    if (!bench::floorRun(source, output, document))
        giveUp("the floor could not convert");
    return document.size();
}

QuietServices::Outcome silentRun(const QString &source, const QString &output)
{
    QuietServices services;
    conversion::RunConversion(source, output, services);
    return services.outcome();
}

struct Row
{
    QByteArray figure;
    QByteArray value;
    QByteArray target;
    std::optional<bool> met; // none for figures shown for information
};

void printTable(const QList<Row> &rows)
{
    std::printf("Times are processor time (user + system), medians of %d runs (start-up: %d) "
                "after a warm-up.\n",
                timedRuns, startupRuns);
    std::printf("%-44s %12s %14s  %s\n", "figure", "value", "target", "result");
    for (const Row &row : rows) {
        std::printf("%-44s %12s %14s  %s\n", row.figure.constData(), row.value.constData(),
                    row.target.constData(), row.met ? (*row.met ? "pass" : "MISS") : "-");
    }
}

QByteArray number(double value, int decimals)
{
    return QByteArray::number(value, 'f', decimals);
}

class Bench
{
public:
    Bench(const bench::Workloads &workloads, const QString &directory)
        : m_workloads(workloads)
        , m_directory(directory)
        , m_output(directory + u"/output.utf")
        , m_programDir(QCoreApplication::applicationDirPath())
    { }

    void measureConversion();
    void measureBatch();
    void measureScaling();
    void measureMemory();
    void measureStartup();
    void measureSplitting(const QString &directory);
    const QList<Row> &rows() const { return m_rows; }

private:
    double timedRun(const std::function<void()> &work)
    {
        QFile::remove(m_output);
        return timeMs(work);
    }
    void checkOutput(const QByteArray &expected, const char *what)
    {
        if (contentsOf(m_output) != expected)
            giveUp(what);
    }
    bench::ChildResult probe(const QStringList &arguments)
    {
        const auto result = bench::runChild(m_programDir + u"/captiloom_bench_window", arguments);
        if (!result.exitedCleanly)
            giveUp("the window probe failed");
        return result;
    }
    // The processor time a program takes from its start to its first idle
    // moment with its window shown, and the wall time it took.
    std::pair<double, double> startupMs(const QString &program)
    {
        const auto result = bench::runChild(m_programDir + u'/' + program, {});
        const QList<QByteArray> clocks = result.output.trimmed().split(' ');
        bool wallOk = false;
        bool cpuOk = false;
        const qint64 idleNs = clocks.value(0).toLongLong(&wallOk);
        const qint64 cpuNs = clocks.value(1).toLongLong(&cpuOk);
        if (!result.exitedCleanly || !wallOk || !cpuOk)
            giveUp("a start-up probe failed");
        return { cpuNs / 1e6, (idleNs - result.startNs) / 1e6 };
    }
    void add(const char *figure, const QByteArray &value, const char *target,
             std::optional<bool> met = std::nullopt)
    {
        m_rows.append({ figure, value, target, met });
    }

    const bench::Workloads &m_workloads;
    const QString m_directory;
    const QString m_output;
    const QString m_programDir;
    QList<Row> m_rows;
};

void Bench::measureConversion()
{
    const QString &source = m_workloads.largest;
    window::MainForm form;
    form.show();
    QCoreApplication::processEvents();

    // Warm-up, and the document every later run must write again.
    if (silentRun(source, m_output) != QuietServices::Outcome::Finished)
        giveUp("the largest source did not convert");
    const QByteArray document = contentsOf(m_output);
    timedRun([&] { floorRun(source, m_output, document); });
    timedRun([&] { bench::convertInWindow(form, source, m_output); });

    QList<double> floor, silent, windowed;
    for (int i = 0; i < timedRuns; ++i) {
        floor << timedRun([&] { floorRun(source, m_output, document); });
        silent << timedRun([&] { silentRun(source, m_output); });
        checkOutput(document, "a silent run wrote another document");
        windowed << timedRun([&] { bench::convertInWindow(form, source, m_output); });
        checkOutput(document, "a run in the window wrote another document");
    }
    const double r1 = median(silent) / median(floor);
    const double r2 = median(windowed) / median(silent);
    add("R1 run / floor, largest source", number(r1, 2), "<= 1.8", r1 <= 1.8);
    add("R2 run in window / silent run", number(r2, 2), "<= 1.2", r2 <= 1.2);
    add("  floor, largest source (ms)", number(median(floor), 1), "");
    add("  silent run, largest source (ms)", number(median(silent), 1), "");
    add("  run in window, largest source (ms)", number(median(windowed), 1), "");

    QList<double> typical;
    timedRun([&] { bench::convertInWindow(form, m_workloads.typical, m_output); });
    for (int i = 0; i < timedRuns; ++i)
        typical << timedRun([&] { bench::convertInWindow(form, m_workloads.typical, m_output); });
    add("  run in window, typical source (ms)", number(median(typical), 1), "");
}

// A season of scripts from the command line: one process that starts, then
// converts a hundred typical sources, against one that starts the same way,
// linked against the same libraries, and does the floor's work for each.
void Bench::measureBatch()
{
    constexpr int sourceCount = 100;
    const QByteArray source = contentsOf(m_workloads.typical);
    QDir folder(m_directory);
    if (!folder.mkpath(u"batch"_s) || !folder.cd(u"batch"_s))
        giveUp("cannot make the batch's folder");
    // Over the outputs of the run before, as the floor writes over its own:
    // a hundred files made afresh after a hundred were deleted cost the file
    // system more than the conversion, and tell nothing about the program.
    QStringList sources;
    for (int i = 1; i <= sourceCount; ++i) {
        sources << folder.filePath(u"第%1集.txt"_s.arg(i));
        QFile file(sources.last());
        if (!file.open(QIODevice::WriteOnly) || file.write(source) != source.size())
            giveUp("cannot write the batch's sources");
    }
    ::sync();

    QFile::remove(m_output);
    if (silentRun(m_workloads.typical, m_output) != QuietServices::Outcome::Finished)
        giveUp("the typical source did not convert");
    const QByteArray document = contentsOf(m_output);
    const QString last = folder.filePath(u"第%1集(字幕).utf"_s.arg(sourceCount));
    // Each batch's processor time; with no sources, that of its start alone.
    const auto childMs = [&](const QString &program, const QStringList &arguments,
                             const QStringList &batch) {
        QFile::remove(last);
        const qint64 start = bench::childrenCpuNs();
        const auto result = bench::runChild(program, arguments + batch, true);
        const qint64 cpuNs = bench::childrenCpuNs() - start;
        if (!result.exitedCleanly || (!batch.isEmpty() && contentsOf(last) != document))
            giveUp("a batch did not convert");
        return cpuNs / 1e6;
    };
    const QString program = QStringLiteral(CAPTILOOM_PROGRAM);
    const QString floorProgram = m_programDir + u"/captiloom_bench_batch_floor"_s;
    const QStringList convert { u"--convert"_s, u"--overwrite"_s };
    childMs(floorProgram, { m_output }, sources);
    childMs(program, convert, sources);
    QList<double> floor, batch, floorStart, start;
    for (int i = 0; i < timedRuns; ++i) {
        floor << childMs(floorProgram, { m_output }, sources);
        batch << childMs(program, convert, sources);
        floorStart << childMs(floorProgram, { m_output }, {});
        start << childMs(program, { u"--version"_s }, {});
    }
    const double ratio = median(batch) / median(floor);
    add("--convert of 100 typical / floor process", number(ratio, 2), "<= 2.0", ratio <= 2.0);
    add("  floor process, 100 typical sources (ms)", number(median(floor), 1), "");
    add("  --convert of 100 typical sources (ms)", number(median(batch), 1), "");
    add("  floor process, start alone (ms)", number(median(floorStart), 1), "");
    add("  captiloom --version (ms)", number(median(start), 1), "");
}

void Bench::measureScaling()
{
    const QStringList series { m_workloads.largestEighth, m_workloads.largestQuarter,
                               m_workloads.largestHalf, m_workloads.largest };
    QList<QList<double>> times(series.size());
    for (const QString &source : series)
        timedRun([&] { silentRun(source, m_output); });
    for (int i = 0; i < timedRuns; ++i) {
        for (qsizetype s = 0; s < series.size(); ++s)
            times[s] << timedRun([&] { silentRun(series[s], m_output); });
    }
    const double eighth = median(times[0]);
    const double quarter = median(times[1]);
    const double half = median(times[2]);
    const double whole = median(times[3]);
    const double ratio = whole / half;
    add("scaling whole / half, largest source", number(ratio, 2), "1.7 to 2.3",
        ratio >= 1.7 && ratio <= 2.3);
    add("  scaling quarter / eighth", number(quarter / eighth, 2), "");
    add("  scaling half / quarter", number(half / quarter, 2), "");
}

void Bench::measureMemory()
{
    // The probe's last word is its peak memory; a run's outcome comes first.
    const auto peakMiB = [this](const QStringList &arguments, const char *outcome) {
        QList<double> peaks;
        for (int i = 0; i < memoryRuns; ++i) {
            QFile::remove(m_output);
            const QList<QByteArray> words = probe(arguments).output.trimmed().split(' ');
            if (!arguments.isEmpty() && words.value(0) != outcome)
                giveUp("a run in the window probe ended otherwise than expected");
            bool ok = false;
            const qint64 peakKiB = words.value(words.size() - 1).toLongLong(&ok);
            if (!ok || peakKiB <= 0)
                giveUp("the window probe could not tell its peak memory");
            peaks << peakKiB / 1024.0;
        }
        return median(peaks);
    };
    const double idle = peakMiB({}, nullptr);
    const double largest = peakMiB({ m_workloads.largest, m_output }, "finished");
    const double endless = peakMiB({ m_workloads.endlessLine, m_output }, "stopped");
    const double tooMany = peakMiB({ m_workloads.tooManyLines, m_output }, "failed");

    add("memory, largest run over idle (MiB)", number(largest - idle, 1), "<= 16",
        largest - idle <= 16);
    add("memory peak, 512 MiB line (MiB)", number(endless, 1), "< 64", endless < 64);
    add("memory peak, 40 000 lines (MiB)", number(tooMany, 1), "< 64", tooMany < 64);
    add("  memory peak, idle window (MiB)", number(idle, 1), "");
}

void Bench::measureStartup()
{
    // Both start as in a Chinese session, so the program loads Qt's Chinese
    // translations as a user's start does; Qt takes the language from
    // LANGUAGE whatever the locale.
    qputenv("LANGUAGE", "zh_CN");
    const QString window = QStringLiteral("captiloom_bench_window");
    const QString plain = QStringLiteral("captiloom_bench_plain_window");
    startupMs(window);
    startupMs(plain);
    QList<double> windowCpu, plainCpu, windowWall, plainWall;
    for (int i = 0; i < startupRuns; ++i) {
        const auto [windowMs, windowWallMs] = startupMs(window);
        const auto [plainMs, plainWallMs] = startupMs(plain);
        windowCpu << windowMs;
        plainCpu << plainMs;
        windowWall << windowWallMs;
        plainWall << plainWallMs;
    }
    const double r3 = median(windowCpu) / median(plainCpu);
    add("R3 start-up / plain window, same controls", number(r3, 2), "<= 1.10", r3 <= 1.10);
    add("  start-up to idle main window (ms)", number(median(windowCpu), 1), "");
    add("  start-up to idle plain window (ms)", number(median(plainCpu), 1), "");
    add("  same, wall clock, main window (ms)", number(median(windowWall), 1), "");
    add("  same, wall clock, plain window (ms)", number(median(plainWall), 1), "");
}

// Splitting costs ten conversions at most, the words of every long clause
// looked up in the dictionary included: the largest source's text as
// prose (each line a clause, every third a sentence's end, each pause a new
// paragraph), split into a script, against converting that source.
void Bench::measureSplitting(const QString &directory)
{
    const QString prose = directory + u"/prose.txt";
    const QString script = conversion::ScriptPath(prose);
    QByteArray text;
    int clause = 0;
    for (const QByteArray &line : contentsOf(m_workloads.largest).split('\n')) {
        const QByteArray words = line.trimmed();
        if (words.isEmpty() && !text.endsWith("\r\n"))
            text += "\r\n";
        else if (!words.isEmpty())
            text += words + (++clause % 3 ? "\xA3\xAC" : "\xA1\xA3"); // ， and 。 in GBK
    }
    QFile file(prose);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        giveUp("cannot write the prose");
    file.close();

    const auto split = [&] {
        const conversion::ScriptOutcome outcome = conversion::WriteScript(prose, script, true);
        if (outcome.kind != conversion::ScriptOutcome::Kind::Written)
            giveUp("the prose was not split");
    };
    split();
    silentRun(m_workloads.largest, m_output);
    QList<double> splitting, converting;
    for (int i = 0; i < timedRuns; ++i) {
        splitting << timeMs(split);
        converting << timedRun([&] { silentRun(m_workloads.largest, m_output); });
    }
    const double ratio = median(splitting) / median(converting);
    add("splitting the largest source as prose / its conversion", number(ratio, 2), "<= 10",
        ratio <= 10);
}

int runBenchmarks(int argc, char *argv[])
{
    // Children inherit both: every window here, and in the probes, is drawn
    // off screen, so the figures do not depend on a display, and a session
    // without a runtime folder gets a private one rather than a warning per
    // process.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QApplication application(argc, argv);

    QTemporaryDir directory;
    bench::Workloads workloads;
    std::fprintf(stderr, "bench: writing the workloads\n");
    if (!directory.isValid() || !bench::writeWorkloads(directory.path(), workloads))
        giveUp("cannot write the workloads");
    // Half a gigabyte of workloads is still on its way to the disk, and
    // whichever side of a ratio flushes its file first would pay for
    // writing it out.
    ::sync();

    // Sections named on the command line run alone, in the table's order.
    const QStringList wanted = QCoreApplication::arguments().mid(1);
    Bench bench(workloads, directory.path());
    const std::pair<const char *, std::function<void()>> sections[] = {
        { "conversion",
          [&] {
              bench.measureConversion();
          } },
        { "batch",
          [&] {
              bench.measureBatch();
          } },
        { "scaling",
          [&] {
              bench.measureScaling();
          } },
        { "memory",
          [&] {
              bench.measureMemory();
          } },
        { "start-up",
          [&] {
              bench.measureStartup();
          } },
        { "splitting",
          [&] {
              bench.measureSplitting(directory.path());
          } },
    };
    for (const auto &[name, measure] : sections) {
        if (!wanted.isEmpty() && !wanted.contains(QLatin1String(name)))
            continue;
        std::fprintf(stderr, "bench: %s\n", name);
        measure();
    }

    printTable(bench.rows());
    const bool allMet = std::all_of(bench.rows().cbegin(), bench.rows().cend(),
                                    [](const Row &row) { return row.met.value_or(true); });
    return allMet ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    try {
        return runBenchmarks(argc, argv);
    } catch (const Failure &failure) {
        std::fprintf(stderr, "bench: %s\n", failure.what);
        return 2;
    }
}
