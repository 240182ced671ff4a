#pragma once

#include "services.h"

#include <QStringList>

namespace captiloom::console {

// The conversion run's services for one source of a batch, without a window:
// every message becomes one line on standard error that names the source,
// the question whether to replace an existing output is answered at once,
// and ending the program ends only this source's run.
class ConsoleServices : public conversion::Services
{
public:
    // `sourceName` starts every line, as the user gave it; `outputPath` is
    // named when an existing output is kept.
    ConsoleServices(QString sourceName, QString outputPath, bool overwrite);

    // The run wrote its document and said so.
    bool converted() const { return m_finished && !m_stopped; }
    // An existing output was left as it was.
    bool kept() const { return m_kept; }

    Answer showMessage(const QString &text, const QString &title = {},
                       Buttons buttons = Buttons::Ok, bool questionIcon = false) override;

    void showProgress() override { }
    void setProgressMaximum(float) override { }
    void setProgressMinimum(float) override { }
    void setProgressPosition(float) override { }
    // Only a finished run hides the bar, after its last message.
    void hideProgress() override { m_finished = true; }

    void endProgram() override { m_stopped = true; }
    void reportFailure(const QString &description) override;

    // Lines to say before the next message, the one that closes a run that
    // wrote its file; a failure drops them.
    void sayBeforeClosing(QStringList lines) { m_beforeClosing = std::move(lines); }

private:
    void say(const QString &text) const;

    const QString m_sourceName;
    const QString m_outputPath;
    const bool m_overwrite;
    bool m_finished = false;
    bool m_stopped = false;
    bool m_kept = false;
    QStringList m_beforeClosing;
};

} // namespace captiloom::console
