#include "recording_alignment.h"

namespace captiloom::voice {

Alignment alignRecording(const QString &recordingPath, const QList<conversion::TimedLine> &lines,
                         const Progress &progress)
{
    Q_UNUSED(recordingPath);
    Q_UNUSED(lines);
    Q_UNUSED(progress);
    Alignment alignment;
    alignment.failure = QStringLiteral("not yet");
    return alignment;
}

conversion::Timing RecordingTiming::timesFor(const QList<conversion::TimedLine> &lines)
{
    m_lines = lines;
    m_alignment = alignRecording(m_recordingPath, lines, m_progress);
    return { m_alignment.times, m_alignment.failure };
}

} // namespace captiloom::voice
