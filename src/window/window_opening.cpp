#include "window_opening.h"

#include "application_title.h"
#include "dialog_file_chooser.h"
#include "main_form.h"
#include "window_services.h"

#include "terminal.h"

#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace captiloom::window {

using namespace Qt::StringLiterals;
using console::localized;

WindowOpening::WindowOpening(MainForm &form, const console::CommandLine &commandLine,
                             std::optional<console::SplitForWindow> split,
                             std::unique_ptr<FileChooser> proseChooser)
    : m_form(form)
    , m_overwrite(commandLine.overwrite)
    , m_opener(&QDesktopServices::openUrl)
{
    if (commandLine.action != console::CommandLine::Action::SplitAndOpen) {
        if (!commandLine.files.isEmpty())
            form.takeSource(commandLine.files.first());
        return;
    }
    if (commandLine.files.isEmpty()) {
        m_proseChooser = proseChooser
            ? std::move(proseChooser)
            : std::make_unique<DialogFileChooser>(
                &form, u"ProseDialog"_s, QFileDialog::AcceptOpen,
                localized(u"选择要自动断行的文字",
                          u"Choose the text to split into subtitle lines"));
    } else {
        m_split = split ? std::move(split)
                        : console::splitForWindow(commandLine.files.first(), m_overwrite);
        form.takeSource(m_split->chosen);
    }
    // Shown before the window manager had placed the window, a box was
    // centred on where the window was not yet: at the screen's corner under
    // Openbox. The window's first painting comes once it is on screen.
    form.installEventFilter(this);
}

WindowOpening::~WindowOpening() = default;

bool WindowOpening::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_form && event->type() == QEvent::Paint) {
        m_form.removeEventFilter(this);
        QMetaObject::invokeMethod(
            this, [this] { onScreen(); }, Qt::QueuedConnection);
    }
    return false;
}

void WindowOpening::onScreen()
{
    if (m_proseChooser) {
        const QString prose = std::exchange(m_proseChooser, nullptr)
                                  ->choose({ { u"Text Files(*.txt)"_s, u"*.txt"_s } }).path;
        // Cancelled: the window stays as it opened, to convert with.
        if (prose.isEmpty())
            return;
        m_split = console::splitForWindow(prose, m_overwrite);
        m_form.takeSource(m_split->chosen);
    }
    tell();
}

void WindowOpening::tell()
{
    if (!m_split->written) {
        m_form.tell(m_split->message);
        return;
    }
    // Told, since a desktop's menu shows no standard error, with the way to
    // the script, which deserves a reading before it is converted.
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), m_split->message, QMessageBox::Close,
                    &m_form);
    QPushButton *open =
        box.addButton(localized(u"打开断行稿", u"Open the script"), QMessageBox::AcceptRole);
    box.setDefaultButton(open);
    execBox(box);
    const QString script = m_split->chosen;
    if (box.clickedButton() == open
        && !m_opener(QUrl::fromLocalFile(QDir::fromNativeSeparators(script))))
        m_form.tell(localized(u"没能用系统的文本编辑器打开断行稿“%1”，请自己用文本编辑器打开它。",
                              u"The system's text editor could not be started for the script "
                              u"\"%1\"; open it in a text editor yourself.")
                        .arg(QFileInfo(script).fileName()));
}

} // namespace captiloom::window
