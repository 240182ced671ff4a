#pragma once

#include "prose_splitting.h"

#include <optional>

namespace captiloom::console {

// What the command line did before any window system started.
struct BeforeWindow
{
    // The exit status, when nothing is left for a window to do.
    std::optional<int> status;
    // Under `--split --open FILE`, the split already done.
    std::optional<SplitForWindow> split;
};

// Carries out, before any window system starts, what needs no window (help,
// the version, a conversion, splitting, a mistyped command line), so that it
// works without a display; and the split of `--split --open FILE`, so that
// its script is written even where no window can be opened. Where the
// display is missing, that is told in one line instead of a window.
BeforeWindow runBeforeWindow(int argc, char **argv, bool displayMissing);

} // namespace captiloom::console
