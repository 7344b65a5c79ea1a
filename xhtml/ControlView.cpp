#include "xhtml/ControlView.h"

#include "platform/gui/Controls.h"
#include "platform/gui/Window.h"
#include "xhtml/EventListener.h"
#include "xhtml/FrameView.h"
#include "xhtml/ViewContext.h"

namespace xhtml {

namespace gui = platform::gui;

ControlView::ControlView(ViewContext* context, int32_t type) : BoxView(context, type) {
    setStyle(StyleId::NativeWindow, StyleValue::makeBool(true), kStateNormal);
}

ControlView::~ControlView() {
    if (ownsWindow_ && window_) gui::Window::destroy(window_);
}

void ControlView::setWindow(platform::WindowHandle window) {
    if (ownsWindow_ && window_ && window_ != window) gui::Window::destroy(window_);
    window_ = window;
    ownsWindow_ = false;
}

void ControlView::handleEvent(ViewEvent& event) {
    BoxView::handleEvent(event);
    if (event.type == ViewEvent::kAttach || event.type == ViewEvent::kScrolled) placeWindow();
}

void ControlView::placeWindow() {
    FrameView* frame = getFrame(false);
    if (!frame || !frame->windowHandle()) return;
    if (!window_) {
        window_ = createWindow(frame->windowHandle());
        ownsWindow_ = window_ != nullptr;
        if (!window_) return;
        applyFont(window_);
    } else if (gui::Window::parent(window_) != frame->windowHandle()) {
        gui::Window::setParent(window_, frame->windowHandle());
    }
    const Rect placed = frame->toClient(windowRect());
    const bool visible = attached() && isVisibleInTree() && !placed.isEmpty();
    gui::Window::move(window_, placed.left, placed.top);
    gui::Window::setClientSize(window_, placed.width(), placed.height());
    gui::Window::show(window_, visible);
    onWindowPlaced(placed, visible);
}

gui::Controls::Font ControlView::controlFont() const {
    gui::Controls::Font font;
    font.family = inheritedString(StyleId::FontFamily, u"Verdana", kStateNormal);
    font.pixelHeight =
        static_cast<int>(inheritedInt(StyleId::FontSize, 13, kStateNormal) * dpiScale());
    font.weight = inheritedInt(StyleId::FontWeight, 400, kStateNormal);
    font.italic = inheritedBool(StyleId::Italic, false, kStateNormal);
    return font;
}

void ControlView::applyFont(platform::WindowHandle window) {
    gui::Controls::setFont(window, controlFont());
}

void ControlView::notifyListener(int slot) {
    EventListener* listener = context_ ? context_->listener() : nullptr;
    if (!listener) return;
    if (slot == 8) listener->onFormNotify(this);
    if (slot == 9) listener->onSelectionChanged(this);
    if (slot == 10) listener->onFormNotify2(this);
}

}  // namespace xhtml
