#pragma once

#include <memory>

class QApplication;
class QFont;

namespace captiloom::window {

// Whether no window system can be reached: on a Unix desktop system, no
// display in the environment and none chosen on the command line. Qt would
// end such a start with a fatal error and an abort.
bool displayMissing(int argc, char **argv);

// Starts the window system and the application, with the program's name for
// the desktop, its icon, Qt's own translations and, where the platform's font
// has no Chinese, the font Qt draws Chinese in (below). A display that is
// named but cannot be reached, or a window system plugin that cannot be
// loaded, ends the program with one line that says so; Qt's warnings on the
// way there are held back until the start has succeeded.
std::unique_ptr<QApplication> startApplication(int &argc, char **argv);

// `font`, or where it has no Chinese, the same font in the family Qt draws
// Chinese in.
QFont fontWithChinese(const QFont &font);

} // namespace captiloom::window
