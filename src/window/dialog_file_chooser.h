#pragma once

#include "file_chooser.h"

#include <QFileDialog>
#include <QString>

class QWidget;

namespace captiloom::window {

// The platform's file dialog behind FileChooser, made afresh for every
// showing and opened at the last choice. Kept between showings, Qt's own
// dialog left its name field's completion popup on screen when Enter closed
// it, holding the keyboard until the next click.
class DialogFileChooser : public FileChooser
{
public:
    // The dialog that names a file to write, which need not exist yet. A
    // save dialog, since native open dialogs (GTK's, for one) have no name
    // field and refuse a file that does not exist yet; but on Windows the
    // open dialog, which takes a new name as typed, while the save dialog
    // adds the filter's extension to a name typed without it or with another.
#ifdef Q_OS_WIN
    static constexpr QFileDialog::AcceptMode newFileMode = QFileDialog::AcceptOpen;
#else
    static constexpr QFileDialog::AcceptMode newFileMode = QFileDialog::AcceptSave;
#endif

    // AcceptOpen picks a file to read; newFileMode names a file to write.
    // Without a title, the dialog has the platform's own.
    DialogFileChooser(QWidget *window, const QString &objectName, QFileDialog::AcceptMode mode,
                      const QString &title = {});
    ~DialogFileChooser() override;

protected:
    std::optional<Choice> ask(const QList<FileType> &types, qsizetype type,
                              const QString &folder) override;

private:
    QWidget *m_window;
    QString m_objectName;
    QFileDialog::AcceptMode m_mode;
    QString m_title;
};

} // namespace captiloom::window
