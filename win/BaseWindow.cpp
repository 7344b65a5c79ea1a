#include "win/BaseWindow.h"

#include <algorithm>
#include <string>

#include "platform/Resources.h"

namespace win {

namespace gui = platform::gui;

namespace {

// Notes the destruction of the window a modal loop runs.
class DestroyWatch : public BaseWindow::IMessageListener {
public:
    void onWindowMessage(BaseWindow*, Message& message) override {
        if (message.msg == Msg::Destroy) destroyed = true;
    }
    bool destroyed = false;
};

constexpr uint32_t kModalWakeTimer = 0x7FFF0001;

}  // namespace

BaseWindow::~BaseWindow() {
    WindowHandle window = detach();
    if (window) gui::Window::destroy(window);
}

bool BaseWindow::create(WindowHandle parent, const ZString& title, int x, int y, int width,
                        int height, uint32_t flags, uint32_t id) {
    if (handle_) destroy();
    gui::Window::Params params;
    params.parent = parent;
    params.title = title;
    params.x = x;
    params.y = y;
    params.width = width;
    params.height = height;
    params.flags = flags;
    params.id = id;
    params.sink = this;
    return gui::Window::create(params) != nullptr && handle_ != nullptr;
}

void BaseWindow::destroy() {
    if (handle_) gui::Window::destroy(handle_);
}

void BaseWindow::moveTo(const Rect& r) {
    move(r.left, r.top);
    setClientSize(r.width(), r.height());
}

void BaseWindow::centerOnOwner() {
    if (!gui::Window::isTopLevel(handle_)) return;
    Rect area = getMonitorRect();
    if (WindowHandle owner = getParent(); owner && gui::Window::isWindow(owner))
        area = gui::Window::screenRect(gui::Window::topLevel(owner));
    const Rect client = getClientRect();
    move(area.left + (area.width() - client.width()) / 2,
         area.top + (area.height() - client.height()) / 2);
}

void BaseWindow::attach(WindowHandle window) {
    if (handle_ && handle_ != window) detach();
    handle_ = window;
    if (window) gui::Window::setSink(window, this);
}

WindowHandle BaseWindow::detach() {
    WindowHandle window = handle_;
    if (window && gui::Window::sink(window) == this) gui::Window::setSink(window, nullptr);
    handle_ = nullptr;
    return window;
}

void BaseWindow::addListener(IMessageListener* listener) {
    if (listener) listeners_.push_back(listener);
}

void BaseWindow::removeListener(IMessageListener* listener) {
    auto it = std::find(listeners_.begin(), listeners_.end(), listener);
    if (it != listeners_.end()) listeners_.erase(it);
}

void BaseWindow::setScrollRange(Bar bar, int minimum, int maximum) {
    ScrollInfo info = getScrollInfo(bar);
    info.minimum = minimum;
    info.maximum = maximum;
    setScrollInfo(bar, info);
}

intptr_t BaseWindow::defaultProc(Message& message) {
    // A top-level window closes when asked, as the system's default does.
    if (message.msg == Msg::Close && gui::Window::isTopLevel(handle_)) destroy();
    return 0;
}

bool BaseWindow::isPointerInClient() const {
    if (!handle_) return false;
    return getClientRect().contains(getCursorPos());
}

void BaseWindow::makeModal() {
    if (!handle_ || !gui::Window::isTopLevel(handle_)) return;
    WindowHandle owner = getParent();
    WindowHandle ownerTop = owner ? gui::Window::topLevel(owner) : nullptr;
    const bool ownerWasEnabled = ownerTop && gui::Window::isEnabled(ownerTop);
    if (ownerWasEnabled) gui::Window::enable(ownerTop, false);
    DestroyWatch watch;
    addListener(&watch);
    gui::Gui::ModalScope modal;
    // The wake-up keeps the loop checking its conditions even when no event comes.
    setTimer(kModalWakeTimer, 100);
    endModal_ = false;
    while (!endModal_ && !watch.destroyed && !gui::Gui::quitRequested()) gui::Gui::pump(true);
    killTimer(kModalWakeTimer);
    removeListener(&watch);
    if (ownerWasEnabled && gui::Window::isWindow(ownerTop)) {
        gui::Window::enable(ownerTop, true);
        gui::Window::present(ownerTop);
    }
    endModal_ = false;
}

intptr_t BaseWindow::onMessage(Message& message) { return defaultProc(message); }

intptr_t BaseWindow::onWindowMessage(Message& message) {
    if (message.msg == Msg::Create && !handle_) handle_ = message.window;
    if (!handle_) return 0;
    if (listeners_.size() == 1) {
        listeners_[0]->onWindowMessage(this, message);
    } else if (listeners_.size() > 1) {
        // Listeners may add or remove listeners while being called.
        const std::vector<IMessageListener*> copy = listeners_;
        for (IMessageListener* listener : copy) listener->onWindowMessage(this, message);
    }
    if (message.msg == Msg::Timer && message.id == kModalWakeTimer) return 0;
    const intptr_t result = filter_ ? filter_->filterMessage(this, message) : onMessage(message);
    if (message.msg == Msg::Destroy) handle_ = nullptr;
    return result;
}

}  // namespace win

namespace win {

bool BaseWindow::setIconFromModule(std::string_view module, int id) {
    std::vector<std::string> images;
    for (int size : platform::Resources::kIconSizes) {
        std::string png;
        const std::string name = "icon" + std::to_string(id) + "_" + std::to_string(size) + ".png";
        if (platform::Resources::read(module, name, png)) images.push_back(std::move(png));
    }
    if (images.empty()) return false;
    platform::gui::Window::setIcons(handle_, images);
    return true;
}

}  // namespace win
