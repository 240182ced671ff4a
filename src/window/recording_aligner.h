#pragma once

#include <QList>
#include <QObject>
#include <QString>

namespace captiloom::conversion {
class Services;
}

namespace captiloom::window {

// What the window needs of the aligner: placing a script's lines on the
// narrator's recording in the background, while the window stays responsive,
// then writing the subtitles at the times found. The window's tests put a
// fake in its place, so that they decode no audio.
class RecordingAligner : public QObject
{
    Q_OBJECT

public:
    // A line whose start is an estimate, as the user finds it in the editor.
    struct UnsureLine
    {
        qint64 line = 0; // in the script, blank lines counted
        QString start; // as the subtitle file writes it: 00:00:05,120
        QString text;
    };

    ~RecordingAligner() override = default;

    // Starts placing the lines of `script` on `recording`; progressed() as it
    // goes, then finished() once, unless cancelled first.
    virtual void start(const QString &recording, const QString &script) = 0;
    // Stops a start() still running, without finished().
    virtual void cancel() = 0;
    // After finished(): empty when every line was placed, else what went
    // wrong, as the user reads it.
    virtual QString failure() const = 0;
    virtual QList<UnsureLine> unsureLines() const = 0;
    // After a finished() without failure: the conversion of `source` into
    // `output` at the times found, with everything a conversion asks and tells.
    virtual void convert(const QString &source, const QString &output,
                         conversion::Services &services) = 0;

signals:
    void progressed(int permille);
    void finished();
};

} // namespace captiloom::window
