#include "window_services.h"

#include "application_title.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace captiloom::window {

namespace {

// About one screen frame: faster updates would only cost time.
constexpr qint64 progressIntervalMs = 16;
// Reading the clock costs about as much as the run spends on a whole line,
// and the run makes three settings a line, so the clock is read only once
// every so many settings: a few microseconds of a run, far below a frame.
constexpr int settingsPerClockReading = 64;

// Any float the run may hand over, NaN and infinities included, as a whole
// number the bar can take.
int barValue(float value)
{
    if (std::isnan(value))
        return 0;
    constexpr float limit = 1 << 30;
    return static_cast<int>(std::lround(std::clamp(value, -limit, limit)));
}

} // namespace

void execBox(QMessageBox &box)
{
    box.setTextFormat(Qt::PlainText);
    box.setAccessibleName(box.windowTitle());
    box.setAccessibleDescription(box.text());
    box.exec();
}

WindowServices::WindowServices(QWidget &window, QProgressBar &progressBar)
    : m_window(window)
    , m_progressBar(progressBar)
    , m_maximum(static_cast<float>(progressBar.maximum()))
    , m_minimum(static_cast<float>(progressBar.minimum()))
    , m_position(static_cast<float>(progressBar.value()))
{ }

conversion::Services::Answer WindowServices::showMessage(const QString &text, const QString &title,
                                                         Buttons buttons, bool questionIcon)
{
    return showBox(questionIcon ? QMessageBox::Question : QMessageBox::NoIcon, text, title,
                   buttons);
}

conversion::Services::Answer WindowServices::showBox(QMessageBox::Icon icon, const QString &text,
                                                     const QString &title, Buttons buttons)
{
    // The bar must show where the run stands while the user reads.
    showProgressNow();
    QMessageBox box(icon, title.isEmpty() ? applicationTitle() : title, text, QMessageBox::NoButton,
                    &m_window);
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    execBox(box);

    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return box.clickedButton() == box.button(QMessageBox::Yes) ? Answer::Yes : Answer::No;
}

void WindowServices::showProgress()
{
    // Asked for every line; only the first asking of a run has anything to do.
    if (m_progressBar.isHidden())
        m_progressBar.show();
}

void WindowServices::setProgressMaximum(float maximum)
{
    m_maximum = maximum;
    progressChanged();
}

void WindowServices::setProgressMinimum(float minimum)
{
    m_minimum = minimum;
    progressChanged();
}

void WindowServices::setProgressPosition(float position)
{
    m_position = position;
    progressChanged();
}

void WindowServices::hideProgress()
{
    showProgressNow();
    m_progressBar.hide();
}

void WindowServices::progressChanged()
{
    m_progressWaiting = true;
    if (m_sinceProgressShown.isValid() && ++m_settingsUnseen < settingsPerClockReading)
        return;
    m_settingsUnseen = 0;
    if (!m_sinceProgressShown.isValid() || m_sinceProgressShown.elapsed() >= progressIntervalMs)
        showProgressNow();
}

void WindowServices::showProgressNow()
{
    if (!m_progressWaiting)
        return;
    m_progressWaiting = false;
    m_sinceProgressShown.start();

    const int minimum = barValue(m_minimum);
    const int maximum = barValue(m_maximum);
    if (maximum <= minimum) {
        // No range to move through, as with a one-line source: the bar is
        // full once the position has reached the end, empty before.
        m_progressBar.setRange(0, 1);
        m_progressBar.setValue(m_position >= m_maximum ? 1 : 0);
        return;
    }
    m_progressBar.setRange(minimum, maximum);
    m_progressBar.setValue(std::clamp(barValue(m_position), minimum, maximum));
}

void WindowServices::endProgram()
{
    m_window.close();
    // Leaves every running event loop, nested ones included.
    QCoreApplication::exit(0);
}

void WindowServices::reportFailure(const QString &description)
{
    showBox(QMessageBox::Critical, description, {}, Buttons::Ok);
    endProgram();
}

} // namespace captiloom::window
