#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Handles the next modal dialog of type Dialog from inside its own event loop.
// Gives up after a bound, closing whatever modal widget is up, so that a
// dialog of the wrong kind, or none at all, fails the test instead of
// hanging it; closes the dialog too if a check inside handle() failed.
template<typename Dialog> void whenModal(std::function<void(Dialog *)> handle, bool *handled)
{
    *handled = false;
    auto *timer = new QTimer;
    timer->setInterval(20);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [=] {
        if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
            timer->deleteLater();
            timer->stop();
            *handled = true;
            QPointer<Dialog> open(dialog);
            handle(dialog);
            // A check that failed inside handle() left it open.
            if (open && open->isVisible())
                static_cast<QDialog *>(open.data())->reject();
        } else if (++*tries > 250) {
            timer->deleteLater();
            timer->stop();
            if (QWidget *other = QApplication::activeModalWidget())
                other->close();
        }
    });
    timer->start();
}
