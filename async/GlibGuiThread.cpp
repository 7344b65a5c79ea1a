#include "async/GlibGuiThread.h"

#include <glib.h>

#include "async/GuiSyncedOp.h"

namespace async {
namespace {

GuiThread* installed = nullptr;

struct TimerArgs {
    GlibGuiThread* self;
    GuiSyncedOp* op;
};

}  // namespace

GuiThread& guiThread() { return installed ? *installed : GlibGuiThread::instance(); }

void setGuiThread(GuiThread* thread) { installed = thread; }

GlibGuiThread& GlibGuiThread::instance() {
    static GlibGuiThread single;
    return single;
}

void GlibGuiThread::openWindow(platform::WindowHandle window) {
    std::lock_guard<std::mutex> guard(mutex_);
    Registration& entry = windows_[window];
    entry.thread = std::this_thread::get_id();
    ++entry.count;
}

void GlibGuiThread::closeWindow(platform::WindowHandle window) {
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = windows_.find(window);
    if (it != windows_.end() && --it->second.count <= 0) windows_.erase(it);
}

bool GlibGuiThread::windowAlive(platform::WindowHandle window) {
    std::lock_guard<std::mutex> guard(mutex_);
    return window && windows_.count(window) != 0;
}

bool GlibGuiThread::onWindowThread(platform::WindowHandle window) {
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = windows_.find(window);
    return it != windows_.end() && it->second.thread == std::this_thread::get_id();
}

bool GlibGuiThread::startTimer(platform::WindowHandle window, GuiSyncedOp* op, uint32_t periodMs) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!windows_.count(window) || timers_.count(op)) return false;
    GSource* source = g_timeout_source_new(periodMs);
    g_source_set_callback(source, reinterpret_cast<GSourceFunc>(&GlibGuiThread::onTimeout),
                          new TimerArgs{this, op}, [](gpointer data) { delete static_cast<TimerArgs*>(data); });
    const unsigned id = g_source_attach(source, g_main_context_default());
    g_source_unref(source);
    if (id == 0) return false;
    timers_[op] = Timer{id, false};
    return true;
}

void GlibGuiThread::stopTimer(platform::WindowHandle, GuiSyncedOp* op) {
    std::unique_lock<std::mutex> lock(mutex_);
    fired_.wait(lock, [&] {
        auto it = timers_.find(op);
        return it == timers_.end() || !it->second.firing;
    });
    auto it = timers_.find(op);
    if (it == timers_.end()) return;
    if (GSource* source = g_main_context_find_source_by_id(g_main_context_default(), it->second.sourceId))
        g_source_destroy(source);
    timers_.erase(it);
}

int GlibGuiThread::onTimeout(void* data) {
    auto* args = static_cast<TimerArgs*>(data);
    args->self->fire(args->op);
    return G_SOURCE_REMOVE;
}

void GlibGuiThread::fire(GuiSyncedOp* op) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        auto it = timers_.find(op);
        if (it == timers_.end()) return;
        it->second.firing = true;
    }
    op->onTimer();
    {
        std::lock_guard<std::mutex> guard(mutex_);
        timers_.erase(op);
    }
    fired_.notify_all();
}

}  // namespace async
