#pragma once

#include "services.h"

#include <QList>
#include <QStringList>

#include <functional>

// Records every call a run makes, as one line of text each, and answers
// questions from a script (Yes when the script has run out).
class RecordingServices : public captiloom::conversion::Services
{
public:
    QStringList calls;
    QList<Answer> answers;
    bool ended = false;
    bool calledAfterEnd = false;
    // Runs inside the first showProgress() call, mid-run.
    std::function<void()> duringFirstProgress;

    Answer showMessage(const QString &text, const QString &title, Buttons buttons,
                       bool questionIcon) override
    {
        record(QStringLiteral("message %1|%2|%3%4")
                   .arg(text, title.isEmpty() ? QStringLiteral("<app>") : title,
                        buttons == Buttons::YesNo ? QStringLiteral("yes/no") : QStringLiteral("ok"),
                        questionIcon ? QStringLiteral("|?") : QString()));
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        return answers.isEmpty() ? Answer::Yes : answers.takeFirst();
    }
    void showProgress() override
    {
        record(QStringLiteral("show"));
        if (duringFirstProgress)
            std::exchange(duringFirstProgress, nullptr)();
    }
    void setProgressMaximum(float value) override { record(QStringLiteral("max %1").arg(value)); }
    void setProgressMinimum(float value) override { record(QStringLiteral("min %1").arg(value)); }
    void setProgressPosition(float value) override { record(QStringLiteral("pos %1").arg(value)); }
    void hideProgress() override { record(QStringLiteral("hide")); }
    void endProgram() override
    {
        record(QStringLiteral("end"));
        ended = true;
    }
    void reportFailure(const QString &description) override
    {
        record(QStringLiteral("failure ") + description);
        ended = true;
    }

    // The calls other than progress, which most checks do not care about.
    QStringList messages() const
    {
        QStringList out;
        for (const QString &call : calls) {
            if (call.startsWith(u"message") || call.startsWith(u"failure") || call == u"end")
                out << call;
        }
        return out;
    }

private:
    void record(const QString &call)
    {
        // Nothing may reach the user once the program has been told to end.
        calledAfterEnd = calledAfterEnd || ended;
        calls << call;
    }
};
