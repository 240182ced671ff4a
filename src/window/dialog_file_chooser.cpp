#include "dialog_file_chooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QScopeGuard>

#include <algorithm>

namespace captiloom::window {

using namespace Qt::StringLiterals;

DialogFileChooser::DialogFileChooser(QWidget *window, const QString &objectName,
                                     QFileDialog::AcceptMode mode, const QString &title)
    : m_window(window)
    , m_objectName(objectName)
    , m_mode(mode)
    , m_title(title)
{ }

DialogFileChooser::~DialogFileChooser() = default;

std::optional<FileChooser::Choice> DialogFileChooser::ask(const QList<FileType> &types,
                                                          qsizetype type, const QString &folder)
{
    // Owned by the window while it shows, so that it stays on top of it.
    QPointer<QFileDialog> chooser = new QFileDialog(m_window);
    const auto done = qScopeGuard([&chooser] { delete chooser; });
    chooser->setObjectName(m_objectName);
    if (!m_title.isEmpty())
        chooser->setWindowTitle(m_title);
    // Either mode takes a name that does not exist yet. The conversion asks
    // its own question before replacing a file, so the dialog asks none, and
    // it adds no extension the user did not type.
    chooser->setAcceptMode(m_mode);
    chooser->setFileMode(QFileDialog::AnyFile);
    chooser->setOption(QFileDialog::DontConfirmOverwrite);
    chooser->setDefaultSuffix(QString());
    // A description that already names its pattern, "Text Files(*.txt)", is
    // shown as it is; Qt reads the pattern from the parentheses.
    QStringList filters;
    for (const FileType &type : types)
        filters << (type.description.endsWith(u'(' + type.pattern + u')')
                        ? type.description
                        : type.description + u" ("_s + type.pattern + u')');
    chooser->setNameFilters(filters);
    chooser->selectNameFilter(filters.value(type));
    // Offer the last choice again, in its folder, or in the folder asked for.
    // Windows' dialog takes only the name from the selection and the folder
    // from the directory.
    const QString last = QDir::fromNativeSeparators(lastFileName());
    const QString lastFolder = last.isEmpty() ? QString() : QFileInfo(last).absolutePath();
    const QString start = folder.isEmpty() ? lastFolder : QDir::fromNativeSeparators(folder);
    if (!start.isEmpty())
        chooser->setDirectory(start);
    if (!last.isEmpty() && QFileInfo(start) == QFileInfo(lastFolder))
        chooser->selectFile(last);
    if (chooser->exec() != QDialog::Accepted || !chooser)
        return std::nullopt;
    const QStringList files = chooser->selectedFiles();
    if (files.isEmpty())
        return std::nullopt;
    return Choice { QDir::toNativeSeparators(files.constFirst()),
                    std::max<qsizetype>(0, filters.indexOf(chooser->selectedNameFilter())) };
}

} // namespace captiloom::window
