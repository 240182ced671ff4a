#include "window_opening.h"

#include "main_form.h"

namespace captiloom::window {

WindowOpening::WindowOpening(MainForm &form, const console::CommandLine &commandLine,
                             std::optional<console::SplitForWindow> split)
    : m_form(form)
{
    if (commandLine.action != console::CommandLine::Action::SplitAndOpen) {
        if (!commandLine.files.isEmpty())
            form.takeSource(commandLine.files.first());
        return;
    }
    m_split =
        split ? *split : console::splitForWindow(commandLine.files.first(), commandLine.overwrite);
    form.takeSource(m_split.chosen);
    // Told over the window, since a desktop's menu shows no standard error.
    if (!m_split.message.isEmpty())
        QMetaObject::invokeMethod(
            &form, [this] { m_form.tell(m_split.message); }, Qt::QueuedConnection);
}

} // namespace captiloom::window
