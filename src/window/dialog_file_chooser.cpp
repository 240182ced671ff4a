#include "dialog_file_chooser.h"

#include <QDir>
#include <QFileDialog>

namespace captiloom::window {

using namespace Qt::StringLiterals;

DialogFileChooser::DialogFileChooser(QWidget *window, const QString &objectName)
    : m_window(window)
    , m_objectName(objectName)
{ }

DialogFileChooser::~DialogFileChooser() = default;

QFileDialog &DialogFileChooser::dialog()
{
    if (!m_dialog) {
        // The window owns the dialog, so it goes when the window goes.
        m_dialog = new QFileDialog(m_window);
        m_dialog->setObjectName(m_objectName);
        // An open dialog that still takes a typed name of a file that does not
        // exist yet: the output file usually doesn't. The conversion asks its
        // own question before replacing a file, so the dialog asks none.
        m_dialog->setAcceptMode(QFileDialog::AcceptOpen);
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
    if (chooser.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = chooser.selectedFiles();
    if (files.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(files.constFirst());
}

} // namespace captiloom::window
