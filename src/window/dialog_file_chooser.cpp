#include "dialog_file_chooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace captiloom::window {

using namespace Qt::StringLiterals;

DialogFileChooser::DialogFileChooser(QWidget *window, const QString &objectName,
                                     QFileDialog::AcceptMode mode)
    : m_window(window)
    , m_objectName(objectName)
    , m_mode(mode)
{ }

DialogFileChooser::~DialogFileChooser() = default;

QFileDialog &DialogFileChooser::dialog()
{
    if (!m_dialog) {
        // The window owns the dialog, so it goes when the window goes.
        m_dialog = new QFileDialog(m_window);
        m_dialog->setObjectName(m_objectName);
        // Native open dialogs (GTK's, for one) have no name field and refuse a
        // file that does not exist yet, so only a save dialog can name a new
        // output file. The conversion asks its own question before replacing
        // a file, so the dialog asks none, and it adds no extension the user
        // did not type.
        m_dialog->setAcceptMode(m_mode);
        m_dialog->setFileMode(QFileDialog::AnyFile);
        m_dialog->setOption(QFileDialog::DontConfirmOverwrite);
        m_dialog->setDefaultSuffix(QString());
    }
    return *m_dialog;
}

std::optional<QString> DialogFileChooser::ask(const QString &description, const QString &pattern)
{
    QFileDialog &chooser = dialog();
    // A description that already names its pattern, "Text Files(*.txt)", is
    // shown as it is; Qt reads the pattern from the parentheses.
    const QString filter = description.endsWith(u'(' + pattern + u')')
        ? description
        : description + u" ("_s + pattern + u')';
    chooser.setNameFilter(filter);
    // Offer the last choice again, in its folder. A native dialog (GTK's, for
    // one) gets this from Qt only on its second showing, and then the same
    // name every time after; Windows' takes only the name from the selection
    // and the folder from the directory.
    if (const QString last = QDir::fromNativeSeparators(lastFileName()); !last.isEmpty()) {
        chooser.setDirectory(QFileInfo(last).absolutePath());
        chooser.selectFile(last);
    }
    if (chooser.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = chooser.selectedFiles();
    if (files.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(files.constFirst());
}

} // namespace captiloom::window
