#pragma once

#include "file_chooser.h"

#include <QFileDialog>
#include <QPointer>
#include <QString>

class QWidget;

namespace captiloom::window {

// The platform's file dialog behind FileChooser. The dialog is made on first
// use (not at start, so opening the window reads no folder) and then kept,
// so it reopens where the user left it.
class DialogFileChooser : public FileChooser
{
public:
    // AcceptOpen picks a file to read; AcceptSave names a file to write,
    // which need not exist yet.
    DialogFileChooser(QWidget *window, const QString &objectName, QFileDialog::AcceptMode mode);
    ~DialogFileChooser() override;

protected:
    std::optional<QString> ask(const QString &description, const QString &pattern) override;

private:
    QFileDialog &dialog();

    QWidget *m_window;
    QString m_objectName;
    QFileDialog::AcceptMode m_mode;
    QPointer<QFileDialog> m_dialog;
};

} // namespace captiloom::window
