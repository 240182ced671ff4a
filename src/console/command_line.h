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
        SplitAndOpen, // split `files` (one) and open the window with the script chosen
        UsageError, // `error` says what is wrong
    };
    Action action = Action::Window;
    QStringList files;
    bool overwrite = false;
    bool srt = false; // convert to SRT files instead of .utf ones
    QString audio; // the recording to time the one file to, for Convert
    QString error;
};

// Whether the raw arguments ask for something that needs no window: help,
// the version, a conversion, or splitting without --open. Looked at before any application exists,
// so that those start no window system.
bool needsNoWindow(int argc, char **argv);

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
