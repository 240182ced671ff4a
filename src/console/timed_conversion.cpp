#include "timed_conversion.h"

#include "batch_conversion.h"
#include "console_services.h"
#include "terminal.h"

#include "conversion_run.h"
#include "derive_output_path.h"
#include "recording_alignment.h"

namespace captiloom::console {

namespace {

// Hands the run the recording's times, and the console the lines to check.
class ConsoleTiming : public conversion::LineTiming
{
public:
    ConsoleTiming(const QString &recording, ConsoleServices &services)
        : m_recording(recording)
        , m_services(services)
    { }

    conversion::Timing timesFor(const QList<conversion::TimedLine> &lines) override
    {
        const voice::Alignment alignment = voice::alignRecording(m_recording, lines);
        QStringList unsure;
        for (qsizetype i = 0; i < alignment.times.size(); ++i) {
            const conversion::LineTime &time = alignment.times[i];
            if (!time.unsure)
                continue;
            unsure << localized(u"请核对第%1行的开始时间 %2 --> %3 “%4”",
                                u"check the start of line %1, %2 --> %3 \"%4\"")
                          .arg(lines[i].sourceLine)
                          .arg(conversion::clockText(conversion::clockAt(time.startMs)),
                               conversion::clockText(conversion::clockAt(time.endMs)),
                               lines[i].text);
        }
        m_services.sayBeforeClosing(unsure);
        return { alignment.times, alignment.failure };
    }

private:
    const QString m_recording;
    ConsoleServices &m_services;
};

} // namespace

int convertToRecording(const QString &source, const QString &recording, bool overwrite,
                       conversion::DocumentFormat format)
{
    const auto outputOf = [format](const QString &path) {
        return conversion::DeriveOutputPath(path, format);
    };
    return runBatch(BatchWork::Convert, { source }, outputOf, [&](const BatchJob &job) {
        ConsoleServices services(job.name, job.output, overwrite);
        ConsoleTiming timing(recording, services);
        conversion::RunConversion(job.source, job.output, services, timing);
        return services.converted() ? JobOutcome::Done
            : services.kept()       ? JobOutcome::Kept
                                    : JobOutcome::Failed;
    });
}

} // namespace captiloom::console
