#pragma once

#include <QString>

namespace captiloom::conversion {

// What a conversion run needs from whoever shows it to the user. The run
// knows nothing of widgets; the main window provides the real thing, tests a
// recording fake.
class Services
{
public:
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    virtual ~Services();

    // A modal message. An empty title means the program's own title. With
    // YesNo, Yes is the default button.
    virtual Answer showMessage(const QString &text, const QString &title = {},
                               Buttons buttons = Buttons::Ok, bool questionIcon = false) = 0;

    // Progress, set in this order for every timed line: visible, maximum,
    // minimum, position. None of them may fail, whatever the bar held before.
    virtual void showProgress() = 0;
    virtual void setProgressMaximum(float maximum) = 0;
    virtual void setProgressMinimum(float minimum) = 0;
    virtual void setProgressPosition(float position) = 0;
    virtual void hideProgress() = 0;

    // Ends the program at once. The run returns straight after and touches
    // nothing more.
    virtual void endProgram() = 0;

    // A failure that left the run: shows the description under the
    // application title, then ends the program.
    virtual void reportFailure(const QString &description) = 0;
};

} // namespace captiloom::conversion
