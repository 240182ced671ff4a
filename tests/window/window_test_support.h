#pragma once

#include "file_chooser.h"

#include <QApplication>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers with prepared names, a null one standing for a cancel, and records
// the filters it was shown with.
class FakeFileChooser : public captiloom::window::FileChooser
{
public:
    QStringList answers;
    QStringList filters;

protected:
    std::optional<QString> ask(const QString &description, const QString &pattern) override
    {
        filters.append(description + u'|' + pattern);
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        return answer.isNull() ? std::nullopt : std::optional(answer);
    }
};

// Handles the next modal Dialog from inside its own event loop. Gives up after
// about five seconds, closing whatever modal widget is up, and closes the
// dialog if a check inside handle() failed, so a test fails instead of hanging.
template<typename Dialog> void whenModal(std::function<void(Dialog *)> handle, bool *handled)
{
    *handled = false;
    auto *timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [=] {
        QPointer<Dialog> dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (!dialog && ++*tries < 250)
            return;
        timer->stop();
        timer->deleteLater();
        *handled = dialog;
        if (dialog)
            handle(dialog);
        QWidget *open = dialog ? dialog.data() : QApplication::activeModalWidget();
        if (open && open->isVisible())
            open->close();
    });
    timer->start(20);
}
