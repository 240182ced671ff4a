#pragma once

#include "services.h"

#include <QElapsedTimer>
#include <QMessageBox>

class QProgressBar;
class QWidget;

namespace captiloom::window {

// Shows `box`, modal, as the program shows every box: its text as written,
// whatever markup a file name holds, read by a screen reader by its title
// and its text.
void execBox(QMessageBox &box);

// The conversion run's services on top of the main window: message boxes
// owned by the window, its progress bar, and ending the program.
class WindowServices : public conversion::Services
{
public:
    WindowServices(QWidget &window, QProgressBar &progressBar);

    Answer showMessage(const QString &text, const QString &title = {},
                       Buttons buttons = Buttons::Ok, bool questionIcon = false) override;

    void showProgress() override;
    void setProgressMaximum(float maximum) override;
    void setProgressMinimum(float minimum) override;
    void setProgressPosition(float position) override;
    void hideProgress() override;

    void endProgram() override;
    void reportFailure(const QString &description) override;

private:
    Answer showBox(QMessageBox::Icon icon, const QString &text, const QString &title,
                   Buttons buttons);
    void progressChanged();
    // Puts the stored settings on the bar now, if any are waiting.
    void showProgressNow();

    QWidget &m_window;
    QProgressBar &m_progressBar;
    // The run's settings as given. The bar takes whole numbers and drops
    // values outside its range, and every change of its filled width repaints
    // it at once, so the bar is brought up to date from these at a frame rate.
    float m_maximum;
    float m_minimum;
    float m_position;
    bool m_progressWaiting = false;
    QElapsedTimer m_sinceProgressShown;
    int m_settingsUnseen = 0; // settings since the clock was last read
};

} // namespace captiloom::window
