#pragma once

#include <QAbstractEventDispatcher>
#include <QObject>

#include <functional>

namespace captiloom::bench {

// Calls `action` once, the first time the event loop has nothing left to do
// and is about to wait: a window shown before then has been laid out and
// painted by that moment.
inline void whenFirstIdle(std::function<void()> action)
{
    auto *dispatcher = QAbstractEventDispatcher::instance();
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock,
                                   [connection, action = std::move(action)] {
                                       QObject::disconnect(*connection);
                                       action();
                                   });
}

} // namespace captiloom::bench
