#include "batch_conversion.h"

#include "console_services.h"
#include "terminal.h"

#include "conversion_run.h"
#include "derive_output_path.h"

#include "file_system.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace captiloom::console {

namespace {

using Job = BatchJob;

// One text for every spelling of a place (relative, "..", symbolic links; on
// Windows any letter case), whether or not a file is there yet.
QString place(const QString &path)
{
    const QFileInfo info(path);
    QString key = info.canonicalFilePath();
    if (key.isEmpty()) {
        const QString folder = info.absoluteDir().canonicalPath();
        key = (folder.isEmpty() ? info.absolutePath() : folder) + u'/' + info.fileName();
    }
    if (platform::namesIgnoreCase())
        key = key.toCaseFolded();
    return key;
}

// Why a source is not even handed to its job, or an empty text.
QString refusal(BatchWork work, const Job &job, const Job *writer)
{
    // A file the batch itself writes is no source: what it read would
    // depend on the order.
    if (writer)
        return (work == BatchWork::Split
                    ? localized(u"这是 %1 的断行稿，不作为源文件断行",
                                u"this is the script of %1, not split as a source")
                    : localized(u"这是 %1 的输出文件，不作为源文件转换",
                                u"this is the output of %1, not converted as a source"))
            .arg(writer->name);
    const QFileInfo info(job.source);
    if (info.isDir())
        return localized(u"这是文件夹，不是文本文件", u"this is a folder, not a text file");
    if (info.exists() && !platform::regularFileExists(job.source))
        return localized(u"这不是普通文件", u"this is not a regular file");
    return {};
}

QString twiceLine(BatchWork work, const Job &job, const Job &first)
{
    return job.name
        + (work == BatchWork::Split ? localized(u": 与 %1 是同一个文件，不再重复断行",
                                                u": the same file as %1, not split twice")
                                    : localized(u": 与 %1 是同一个文件，不再重复转换",
                                                u": the same file as %1, not converted twice"))
              .arg(first.name);
}

// The end of a batch of many, so that it says whether to look back.
QString summaryLine(BatchWork work, const QHash<JobOutcome, qsizetype> &counts, qsizetype all)
{
    if (work == BatchWork::Split)
        return localized(u"共 %1 个文件：已断行 %2 个，无需断行 %3 个，断行稿已存在而跳过 %4 个，"
                         u"未能断行 %5 个",
                         u"split %2 of %1, %3 needed no splitting, skipped %4 whose script "
                         u"exists, not split %5")
            .arg(all)
            .arg(counts[JobOutcome::Done])
            .arg(counts[JobOutcome::Unneeded])
            .arg(counts[JobOutcome::Kept])
            .arg(counts[JobOutcome::Failed]);
    return localized(u"共 %1 个文件：已转换 %2 个，字幕文件已存在而跳过 %3 个，未能转换 %4 个",
                     u"converted %2 of %1, skipped %3 whose subtitle file exists, "
                     u"not converted %4")
        .arg(all)
        .arg(counts[JobOutcome::Done])
        .arg(counts[JobOutcome::Kept])
        .arg(counts[JobOutcome::Failed]);
}

} // namespace

int runBatch(BatchWork work, const QStringList &sources,
             const std::function<QString(const QString &)> &outputOf,
             const std::function<JobOutcome(const BatchJob &)> &handle)
{
    QList<Job> jobs;
    QHash<QString, qsizetype> writers; // each output's place, and whose it is
    for (const QString &name : sources) {
        const QString source = QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath());
        const QString output = outputOf(source);
        jobs.append({ name, source, output, place(source) });
        // A source that is its own output is refused by its job, writing nothing.
        if (const QString written = place(output);
            written != jobs.last().sourcePlace && !writers.contains(written))
            writers.insert(written, jobs.size() - 1);
    }

    QHash<JobOutcome, qsizetype> counts;
    qsizetype all = 0;
    QHash<QString, qsizetype> seen; // each source's place, and where it came first
    for (qsizetype index = 0; index < jobs.size(); ++index) {
        const Job &job = jobs[index];
        if (const auto first = seen.constFind(job.sourcePlace); first != seen.cend()) {
            // Done, or refused, once already.
            writeLine(Stream::Error, twiceLine(work, job, jobs[*first]));
            continue;
        }
        seen.insert(job.sourcePlace, index);
        ++all;
        const qsizetype writer = writers.value(job.sourcePlace, index);
        if (const QString why = refusal(work, job, writer == index ? nullptr : &jobs[writer]);
            !why.isEmpty()) {
            writeLine(Stream::Error, job.name + u": " + why);
            ++counts[JobOutcome::Failed];
            continue;
        }
        ++counts[handle(job)];
    }
    if (sources.size() > 1)
        writeLine(Stream::Error, summaryLine(work, counts, all));
    return counts[JobOutcome::Kept] + counts[JobOutcome::Failed] == 0 ? 0 : 1;
}

int convertFiles(const QStringList &sources, bool overwrite, conversion::DocumentFormat format)
{
    const auto outputOf = [format](const QString &source) {
        return conversion::DeriveOutputPath(source, format);
    };
    return runBatch(BatchWork::Convert, sources, outputOf, [&](const BatchJob &job) {
        ConsoleServices services(job.name, job.output, overwrite);
        conversion::RunConversion(job.source, job.output, services);
        return services.converted() ? JobOutcome::Done
            : services.kept()       ? JobOutcome::Kept
                                    : JobOutcome::Failed;
    });
}

} // namespace captiloom::console
