#pragma once

#include <vector>

#include "platform/WindowHandle.h"
#include "platform/gui/Controls.h"
#include "xhtml/BoxView.h"

namespace xhtml {

// A view that hosts a native child window of its frame's window (property
// 81 marks it, so a conversion to a scrolling frame can move the window
// along). The window is made at the view's first attach once the frame has
// a window, and from then on follows the view's border box: moved at every
// attach and scroll, hidden with the view, destroyed with it.
class ControlView : public BoxView {
public:
    explicit ControlView(ViewContext* context, int32_t type = kControlView);
    ~ControlView() override;
    bool acceptsChildren() const override { return false; }
    bool ownsWindow(const void* window) const override { return window && window == window_; }
    void handleEvent(ViewEvent& event) override;

    platform::WindowHandle window() const { return window_; }
    // The view's native windows in Tab order.
    virtual void appendWindows(std::vector<platform::WindowHandle>& out) const {
        if (window_) out.push_back(window_);
    }
    // Hosts a window someone else made (and keeps owning).
    void setWindow(platform::WindowHandle window);

protected:
    // Makes the native window, hidden, as a child of `parent`; null when none.
    virtual platform::WindowHandle createWindow(platform::WindowHandle parent) {
        (void)parent;
        return nullptr;
    }
    // Where the window goes, in document coordinates; the border box by default.
    virtual Rect windowRect() const { return getBorderBox(); }
    // After the window was moved and sized (other windows of the view follow here).
    virtual void onWindowPlaced(const Rect& clientRect, bool visible) {
        (void)clientRect;
        (void)visible;
    }
    void placeWindow();
    // The control's font: the view's font family, size and weight.
    void applyFont(platform::WindowHandle window);
    platform::gui::Controls::Font controlFont() const;
    void notifyListener(int slot);

private:
    platform::WindowHandle window_ = nullptr;
    bool ownsWindow_ = false;
};

// object: hosts an application window such as the file list.
class ObjectView : public ControlView {
public:
    explicit ObjectView(ViewContext* context) : ControlView(context, kObjectView) {}
};

}  // namespace xhtml
