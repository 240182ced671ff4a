#pragma once

#include "services.h"

namespace captiloom::bench {

// Services for runs that nobody watches: every question is answered at once
// as a user pressing Yes or OK would, and progress goes to `progress` when
// one is given (the window's bar, say) and nowhere otherwise. Ending the
// program is only noted, so the caller decides what follows.
class QuietServices : public conversion::Services
{
public:
    explicit QuietServices(conversion::Services *progress = nullptr)
        : m_progress(progress)
    { }

    enum class Outcome {
        Finished, // no stop, and the one message was the last word
        Stopped, // ended the program after a message, as for a too-long line
        Failed, // a failure left the run
        Other,
    };
    Outcome outcome() const
    {
        if (m_failed)
            return Outcome::Failed;
        if (m_ended)
            return Outcome::Stopped;
        return m_messages == 1 ? Outcome::Finished : Outcome::Other;
    }

    Answer showMessage(const QString &, const QString &, Buttons buttons, bool) override
    {
        ++m_messages;
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
    void showProgress() override
    {
        if (m_progress)
            m_progress->showProgress();
    }
    void setProgressMaximum(float maximum) override
    {
        if (m_progress)
            m_progress->setProgressMaximum(maximum);
    }
    void setProgressMinimum(float minimum) override
    {
        if (m_progress)
            m_progress->setProgressMinimum(minimum);
    }
    void setProgressPosition(float position) override
    {
        if (m_progress)
            m_progress->setProgressPosition(position);
    }
    void hideProgress() override
    {
        if (m_progress)
            m_progress->hideProgress();
    }
    void endProgram() override { m_ended = true; }
    void reportFailure(const QString &) override
    {
        m_ended = true;
        m_failed = true;
    }

    static const char *outcomeName(Outcome outcome)
    {
        switch (outcome) {
        case Outcome::Finished:
            return "finished";
        case Outcome::Stopped:
            return "stopped";
        case Outcome::Failed:
            return "failed";
        case Outcome::Other:
            break;
        }
        return "other";
    }

private:
    conversion::Services *m_progress;
    int m_messages = 0;
    bool m_ended = false;
    bool m_failed = false;
};

} // namespace captiloom::bench
