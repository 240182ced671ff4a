#pragma once

class QApplication;

namespace captiloom::window {

// What the program sets on the application before it shows its window: its
// name for the desktop, its icon, Qt's own translations and, where the
// platform's font has no Chinese, the font Qt draws Chinese in. The start-up
// benchmark calls it too, so that it measures the program's own start.
void setUpApplication(QApplication &application);

} // namespace captiloom::window
