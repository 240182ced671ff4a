#include "first_idle.h"

#include <glib.h>

namespace captiloom::bench {

namespace {

gboolean runOnce(gpointer data)
{
    (*static_cast<std::function<void()> *>(data))();
    return G_SOURCE_REMOVE;
}

void destroy(gpointer data)
{
    delete static_cast<std::function<void()> *>(data);
}

} // namespace

void whenFirstIdle(std::function<void()> action)
{
    // Below the priority of every source Qt adds to the main context, so GLib
    // runs it only in an iteration where none of those is ready.
    g_idle_add_full(G_PRIORITY_LOW, runOnce, new std::function<void()>(std::move(action)), destroy);
}

} // namespace captiloom::bench
