#pragma once

#include <QStringList>

namespace captiloom::console {

// What the command line asks for.
struct CommandLine
{
    enum class Action {
        Window, // open the window, with `files` (at most one) as its source
        Help,
        Version,
        Convert, // convert `files` without a window
        Split, // split the prose of `files` into scripts, without a window
        // split `files` (one; none, as from a launcher's action: the window
        // asks for it) and open the window with the script chosen
        SplitAndOpen,
        UsageError, // `error` says what is wrong
    };
    Action action = Action::Window;
    QStringList files;
    bool overwrite = false;
    bool srt = false; // convert to SRT files instead of .utf ones
    QString error;

    bool opensWindow() const { return action == Action::Window || action == Action::SplitAndOpen; }
};

// What the raw arguments need, looked at before any application exists so
// that what needs no window starts no window system.
enum class WindowNeed {
    Window,
    NoWindow, // help, the version, a conversion, or splitting without --open
    SplitFirst, // --split --open: the window, once the prose is split
};
WindowNeed windowNeed(int argc, char **argv);

// Reads the arguments, the program's name first. Qt's own window options
// must be gone already, as QApplication takes them out.
CommandLine parseCommandLine(const QStringList &arguments);

// Carries out what needs no window (anything but Action::Window and
// Action::SplitAndOpen) and returns the exit status: 0, 1 when a source was
// not converted or split, 2 on a usage error.
int runWithoutWindow(const CommandLine &commandLine);

// A usage error's exit status.
inline constexpr int usageErrorStatus = 2;

} // namespace captiloom::console
