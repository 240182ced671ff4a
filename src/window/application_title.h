#pragma once

#include <QString>

namespace captiloom::window {

// The program's name with its version mark: the window's caption, and the
// title of every message that names no title of its own.
QString applicationTitle();

} // namespace captiloom::window
