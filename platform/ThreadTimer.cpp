#include "platform/ThreadTimer.h"

#include <glib.h>

#include <map>
#include <memory>

namespace platform {
namespace {

struct SourceUnref {
    void operator()(GSource* source) const {
        g_source_destroy(source);
        g_source_unref(source);
    }
};

struct Entry {
    ThreadTimer::Callback callback;
    std::unique_ptr<GSource, SourceUnref> source;
};

std::map<uint32_t, Entry>& timers() {
    static std::map<uint32_t, Entry> all;
    return all;
}

uint32_t nextId = 1;

gboolean onTick(gpointer data) {
    const auto id = static_cast<uint32_t>(GPOINTER_TO_UINT(data));
    auto it = timers().find(id);
    if (it != timers().end()) {
        // The callback may stop or restart this very timer: copy what we need first.
        ThreadTimer::Callback callback = it->second.callback;
        callback(id);
    }
    return G_SOURCE_CONTINUE;
}

std::unique_ptr<GSource, SourceUnref> makeSource(uint32_t id, uint32_t intervalMs) {
    GSource* source = g_timeout_source_new(intervalMs);
    g_source_set_callback(source, onTick, GUINT_TO_POINTER(id), nullptr);
    if (g_source_attach(source, g_main_context_default()) == 0) {
        g_source_unref(source);
        return nullptr;
    }
    return std::unique_ptr<GSource, SourceUnref>(source);
}

}  // namespace

uint32_t ThreadTimer::start(uint32_t intervalMs, Callback callback) {
    if (!callback) return 0;
    uint32_t id = nextId++;
    if (nextId == 0) nextId = 1;
    auto source = makeSource(id, intervalMs);
    if (!source) return 0;
    timers()[id] = Entry{callback, std::move(source)};
    return id;
}

bool ThreadTimer::restart(uint32_t id, uint32_t intervalMs) {
    auto it = timers().find(id);
    if (it == timers().end()) return false;
    auto source = makeSource(id, intervalMs);
    if (!source) return false;
    it->second.source = std::move(source);
    return true;
}

bool ThreadTimer::stop(uint32_t id) {
    auto it = timers().find(id);
    if (it == timers().end()) return false;
    // Destroying the source from inside its own dispatch is allowed by GLib.
    timers().erase(it);
    return true;
}

bool ThreadTimer::isRunning(uint32_t id) { return timers().count(id) != 0; }

}  // namespace platform
