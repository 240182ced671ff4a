#pragma once

#include <functional>

namespace captiloom::bench {

// Calls `action` once, the first time the event loop has nothing else to do:
// no window-system event, posted event, timer or notifier is ready. A window
// shown before then has been laid out, exposed and painted by that moment.
//
// Qt's own "about to block" signal will not do: the GLib event dispatcher
// sends it before every wait it may make, with work still queued.
void whenFirstIdle(std::function<void()> action);

} // namespace captiloom::bench
