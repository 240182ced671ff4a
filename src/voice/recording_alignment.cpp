#include "recording_alignment.h"

#include "audio_decoding.h"
#include "line_assignment.h"
#include "speech_analysis.h"
#include "voice_texts.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace captiloom::voice {

namespace {

QString said(const char *text)
{
    return QCoreApplication::translate(texts::context, text);
}

// Tenths of a second, rounded so that a measured time and the bound it
// misses never read the same.
QString seconds(qint64 ms, bool up)
{
    const qint64 tenths = up ? (ms + 99) / 100 : ms / 100;
    return QString::number(static_cast<double>(tenths) / 10, 'f', 1);
}

QString decodingFailure(const Decoding &decoding, const QString &name)
{
    switch (decoding.outcome) {
    case DecodeOutcome::Missing:
        return said(texts::missing).arg(name);
    case DecodeOutcome::Unreadable:
        return said(texts::unreadable).arg(name, decoding.reason);
    case DecodeOutcome::NotAudio:
        return said(texts::notAudio).arg(name);
    case DecodeOutcome::NoDecoder:
        return said(texts::noDecoder).arg(name);
    case DecodeOutcome::Stopped:
        return said(texts::stopped);
    case DecodeOutcome::Decoded:
        break;
    }
    return {};
}

} // namespace

ReadingTime readingTime(const QList<conversion::TimedLine> &lines)
{
    ReadingTime time;
    for (const conversion::TimedLine &line : lines) {
        const qint64 syllables = syllablesIn(line.text);
        time.fastestMs += syllables * fastestSyllableMs;
        time.slowestMs += syllables * slowestSyllableMs + longestPauseMs * (1 + line.blanksBefore);
    }
    return time;
}

QString mismatch(const SpeechMap &map, const QList<conversion::TimedLine> &lines,
                 const QString &name)
{
    if (map.syllables.isEmpty() || map.speechFrames * frameMs < leastSpeechMs)
        return said(texts::noSpeech).arg(name);
    const qint64 spokenMs = frameTimeMs(map.lastSpeech - map.firstSpeech);
    const ReadingTime time = readingTime(lines);
    if (spokenMs < time.fastestMs)
        return said(texts::tooShort)
            .arg(name, seconds(spokenMs, false))
            .arg(lines.size())
            .arg(seconds(time.fastestMs, true));
    if (map.stretches * fewestStretchesPerLine < lines.size()
        || map.syllables.size() < lines.size())
        return said(texts::fewStretches).arg(name).arg(map.stretches).arg(lines.size());
    if (spokenMs > time.slowestMs)
        return said(texts::tooLong)
            .arg(name, seconds(spokenMs, true))
            .arg(lines.size())
            .arg(seconds(time.slowestMs, false));
    return {};
}

Alignment alignRecording(const QString &recordingPath, const QList<conversion::TimedLine> &lines,
                         const Progress &progress)
{
    Alignment alignment;
    const QString name = QFileInfo(recordingPath).fileName();
    FrameAnalyser analyser;
    const Decoding decoding = decodeRecording(
        recordingPath, [&](const float *samples, qsizetype count) { analyser.add(samples, count); },
        progress);
    if (decoding.outcome != DecodeOutcome::Decoded) {
        alignment.failure = decodingFailure(decoding, name);
        return alignment;
    }
    if (lines.isEmpty())
        return alignment;
    const SpeechMap map = mapSpeech(analyser.frames());
    alignment.failure = mismatch(map, lines, name);
    if (alignment.failure.isEmpty())
        alignment.times = assignLines(map, lines);
    return alignment;
}

} // namespace captiloom::voice
