#pragma once

#include "quiet_services.h"

#include <QString>

namespace captiloom::window {
class MainForm;
}

namespace captiloom::bench {

// Converts through the window's own services, so every progress setting lands
// on the window's bar as in a real run; questions are answered at once.
QuietServices::Outcome convertInWindow(window::MainForm &form, const QString &source,
                                       const QString &output);

} // namespace captiloom::bench
