#pragma once

#include "command_line.h"
#include "prose_splitting.h"

#include <optional>

namespace captiloom::window {

class MainForm;

// Opens the main window as the command line asks: with the file it names
// chosen as the source; under --split --open, with the prose split first
// (`split`, when that was done before the window) and its script chosen.
class WindowOpening
{
public:
    WindowOpening(MainForm &form, const console::CommandLine &commandLine,
                  std::optional<console::SplitForWindow> split);

    // What the program's exit status must say beyond the window's own: 1
    // when a split failed, else 0.
    int status() const { return m_split.status; }

private:
    MainForm &m_form;
    console::SplitForWindow m_split;
};

} // namespace captiloom::window
