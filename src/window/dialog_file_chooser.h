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
    // AcceptOpen picks a file to read; AcceptSave names a file to write,
    // which need not exist yet.
    DialogFileChooser(QWidget *window, const QString &objectName, QFileDialog::AcceptMode mode);
    ~DialogFileChooser() override;

protected:
    std::optional<QString> ask(const QString &description, const QString &pattern) override;

private:
    QWidget *m_window;
    QString m_objectName;
    QFileDialog::AcceptMode m_mode;
};

} // namespace captiloom::window
