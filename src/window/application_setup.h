#pragma once

class QApplication;
class QFont;

namespace captiloom::window {

// What the program sets on the application before it shows its window: its
// name for the desktop, its icon, Qt's own translations and, where the
// platform's font has no Chinese, the font Qt draws Chinese in. The start-up
// benchmark calls it too, so that it measures the program's own start.
void setUpApplication(QApplication &application);

// `font`, or where it has no Chinese, the same font in the family Qt draws
// Chinese in.
QFont fontWithChinese(const QFont &font);

} // namespace captiloom::window
