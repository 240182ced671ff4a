#pragma once

#include "command_line.h"
#include "file_chooser.h"
#include "prose_splitting.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class QUrl;

namespace captiloom::window {

class MainForm;

// Opens the main window as the command line asks: with the file it names
// chosen as the source; under --split --open, with the prose split first
// (`split`, when that was done before the window) and its script chosen,
// told of in a box over the window once it is on screen. Given no prose, as
// from a launcher's action, it first asks for it there.
class WindowOpening : public QObject
{
    Q_OBJECT

public:
    // `proseChooser` asks for the prose; a file dialog unless another is given.
    WindowOpening(MainForm &form, const console::CommandLine &commandLine,
                  std::optional<console::SplitForWindow> split,
                  std::unique_ptr<FileChooser> proseChooser = nullptr);
    ~WindowOpening() override;

    // What hands the script to the system's text editor, and says whether
    // it could; QDesktopServices::openUrl() unless replaced.
    void setOpener(std::function<bool(const QUrl &)> opener) { m_opener = std::move(opener); }

    // What the program's exit status must say beyond the window's own: 1
    // when a split failed, else 0.
    int status() const { return m_split ? m_split->status : 0; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onScreen();
    void tell();

    MainForm &m_form;
    const bool m_overwrite;
    std::optional<console::SplitForWindow> m_split;
    std::unique_ptr<FileChooser> m_proseChooser; // while the prose is still to be asked for
    std::function<bool(const QUrl &)> m_opener;
};

} // namespace captiloom::window
