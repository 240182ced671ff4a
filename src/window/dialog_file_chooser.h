#pragma once

#include "file_chooser.h"

#include <QPointer>
#include <QString>

class QFileDialog;
class QWidget;

namespace captiloom::window {

// The platform's file dialog behind FileChooser. The dialog is made on first
// use (not at start, so opening the window reads no folder) and then kept,
// so it reopens where the user left it.
class DialogFileChooser : public FileChooser
{
public:
    DialogFileChooser(QWidget *window, const QString &objectName);
    ~DialogFileChooser() override;

protected:
    std::optional<QString> ask(const QString &description, const QString &pattern) override;

private:
    QFileDialog &dialog();

    QWidget *m_window;
    QString m_objectName;
    QPointer<QFileDialog> m_dialog;
};

} // namespace captiloom::window
