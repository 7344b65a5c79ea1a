#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/ZString.h"
#include "platform/gui/Gui.h"
#include "platform/gui/Message.h"
#include "platform/gui/Window.h"

namespace win {

using Msg = platform::gui::Msg;
using Message = platform::gui::Message;
using WindowHandle = platform::WindowHandle;
using Rect = platform::gfx::Rect;
using Point = platform::gfx::Point;
using Bar = platform::gui::Bar;
using ScrollInfo = platform::gui::ScrollInfo;

// The base of every native window of the program: binds one window to this
// object, lets listeners watch its messages and a filter take them over,
// and runs it modally on request. GUI thread only.
class BaseWindow : public platform::gui::MessageSink {
public:
    class IMessageListener {
    public:
        virtual ~IMessageListener() = default;
        virtual void onWindowMessage(BaseWindow* window, Message& message) = 0;
    };
    class IMessageFilter {
    public:
        virtual ~IMessageFilter() = default;
        // The result is the message's result; onMessage is not called.
        virtual intptr_t filterMessage(BaseWindow* window, Message& message) = 0;
    };

    BaseWindow() = default;
    // Detaches and destroys the window.
    ~BaseWindow() override;
    BaseWindow(const BaseWindow&) = delete;
    BaseWindow& operator=(const BaseWindow&) = delete;

    // --- identity
    WindowHandle getHandle() const { return handle_; }
    bool operator==(WindowHandle other) const { return handle_ == other; }
    bool operator!=(WindowHandle other) const { return handle_ != other; }
    WindowHandle getTopLevel() const { return platform::gui::Window::topLevel(handle_); }

    // --- creation. `flags` are platform::gui::WindowFlag bits; width and
    // height are the client size. False when no window could be made.
    virtual bool create(WindowHandle parent, const ZString& title, int x, int y, int width,
                        int height, uint32_t flags, uint32_t id = 0);
    virtual void destroy();

    // --- showing, moving, geometry
    void show(bool visible) { platform::gui::Window::show(handle_, visible); }
    void move(int x, int y) { platform::gui::Window::move(handle_, x, y); }
    void setClientSize(int width, int height) {
        platform::gui::Window::setClientSize(handle_, width, height);
    }
    void moveTo(const Rect& r);
    // Puts a top-level window in the middle of its owner (or of the monitor).
    void centerOnOwner();
    Rect getRectInParent() const { return platform::gui::Window::rectInParent(handle_); }
    Rect getClientRect() const { return platform::gui::Window::clientRect(handle_); }
    Rect getScreenRect() const { return platform::gui::Window::screenRect(handle_); }
    int getClientWidth() const { return getClientRect().width(); }
    int getClientHeight() const { return getClientRect().height(); }
    Rect getMonitorRect() const { return platform::gui::Window::monitorRect(handle_); }

    // --- parentage
    void setParent(WindowHandle parent) { platform::gui::Window::setParent(handle_, parent); }
    WindowHandle getParent() const { return platform::gui::Window::parent(handle_); }
    uint32_t getControlId() const { return platform::gui::Window::id(handle_); }

    // --- binding
    bool isBoundTo(WindowHandle window) const { return window && window == handle_; }
    // Binds an existing window (another bound one is detached first).
    virtual void attach(WindowHandle window);
    virtual WindowHandle detach();

    // --- filter and listeners
    void setFilter(IMessageFilter* filter) { filter_ = filter; }
    void clearFilter(IMessageFilter* filter) {
        if (filter_ == filter) filter_ = nullptr;
    }
    void addListener(IMessageListener* listener);
    void removeListener(IMessageListener* listener);
    int listenerCount() const { return static_cast<int>(listeners_.size()); }

    // --- scroll bars
    void setScrollRange(Bar bar, int minimum, int maximum);
    int setScrollPos(Bar bar, int position) {
        return platform::gui::Window::setScrollPos(handle_, bar, position);
    }
    void setScrollInfo(Bar bar, const ScrollInfo& info) {
        platform::gui::Window::setScrollInfo(handle_, bar, info);
    }
    ScrollInfo getScrollInfo(Bar bar) const {
        return platform::gui::Window::scrollInfo(handle_, bar);
    }
    void showScrollBar(Bar bar, bool show) {
        platform::gui::Window::showScrollBar(handle_, bar, show);
    }
    bool isScrollBarShown(Bar bar) const {
        return platform::gui::Window::isScrollBarShown(handle_, bar);
    }
    int getScrollPos(Bar bar) const { return getScrollInfo(bar).position; }

    // --- messages
    intptr_t sendMessage(Message& message) { return platform::gui::Window::send(handle_, message); }
    bool postMessage(const Message& message) { return platform::gui::Gui::post(handle_, message); }
    virtual intptr_t defaultProc(Message& message);
    void setFocus() { platform::gui::Window::setFocus(handle_); }
    bool hasFocus() const { return platform::gui::Window::hasFocus(handle_); }
    Point clientToScreen(Point p) const {
        return platform::gui::Window::clientToScreen(handle_, p);
    }
    Point screenToClient(Point p) const {
        return platform::gui::Window::screenToClient(handle_, p);
    }

    // --- pointer
    Point getCursorPos() const { return platform::gui::Window::cursorPos(handle_); }
    bool isPointerInClient() const;

    // --- text and state
    void setText(const ZString& text) { platform::gui::Window::setTitle(handle_, text); }
    ZString getText() const { return platform::gui::Window::title(handle_); }
    // The window's icon from a module's resources ("" the program, else a
    // resource library) at every size the bundles carry; false when the
    // module holds no such icon.
    bool setIconFromModule(std::string_view module, int id);
    bool isVisible() const { return platform::gui::Window::isVisible(handle_); }
    bool isWindow() const { return platform::gui::Window::isWindow(handle_); }
    void enable(bool enable) { platform::gui::Window::enable(handle_, enable); }
    bool isEnabled() const { return platform::gui::Window::isEnabled(handle_); }
    void bringToTop() { platform::gui::Window::present(handle_); }
    bool isActive() const { return platform::gui::Window::isActive(handle_); }

    // --- capture, painting, timers, cursor
    void setCapture() { platform::gui::Window::setCapture(handle_); }
    void releaseCapture() { platform::gui::Window::releaseCapture(handle_); }
    void invalidate(const Rect* r = nullptr) { platform::gui::Window::invalidate(handle_, r); }
    void update() { platform::gui::Window::update(handle_); }
    bool setTimer(uint32_t id, uint32_t intervalMs) {
        return platform::gui::Window::setTimer(handle_, id, intervalMs);
    }
    void killTimer(uint32_t id) { platform::gui::Window::killTimer(handle_, id); }
    void setCursor(platform::gui::Cursor cursor) {
        platform::gui::Window::setCursor(handle_, cursor);
    }

    // --- modality
    void endModal() { endModal_ = true; }
    // Runs a nested loop until endModal(), the window's destruction or the
    // quit request; the owner is disabled meanwhile. Nothing for children.
    virtual void makeModal();

    // Handles what no filter took; the default procedure by default.
    virtual intptr_t onMessage(Message& message);

    // The shared window procedure: listeners, then the filter or onMessage.
    intptr_t onWindowMessage(Message& message) override;

private:
    std::vector<IMessageListener*> listeners_;
    bool endModal_ = false;
    WindowHandle handle_ = nullptr;
    IMessageFilter* filter_ = nullptr;
};

}  // namespace win
