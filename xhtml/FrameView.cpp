#include "xhtml/FrameView.h"

#include <algorithm>
#include <cmath>

#include "platform/gfx/Dc.h"
#include "platform/gui/Tooltip.h"
#include "platform/gui/Window.h"
#include "xhtml/ControlView.h"
#include "xhtml/Layouter.h"
#include "xhtml/StyleTables.h"
#include "xhtml/ViewAccessible.h"
#include "xhtml/ViewContext.h"

namespace xhtml {

namespace gui = platform::gui;
using win::Message;
using win::Msg;

namespace {

constexpr uint32_t kUpdateTimerId = 0x55AA0001;
constexpr int kWheelUnits = 3;

// The frame whose window is handling a mouse message now: the views' cursor
// requests go to its window.
FrameView* mouseFrame = nullptr;
int requestedCursor = kCursorDefault;
// The frame window that has the keyboard focus, if any.
FrameView* focusedFrame = nullptr;

int ceilDiv(int value, int unit) { return unit > 0 ? (value + unit - 1) / unit : 0; }

}  // namespace

intptr_t FrameView::Frame::onMessage(Message& message) { return view_->handleMessage(message); }

FrameView::FrameView(ViewContext* context, int32_t type)
    : HtmlView(context, type), accessible_(std::make_unique<ViewAccessible>(*this)), frame_(this) {}

FrameView::~FrameView() {
    if (mouseFrame == this) mouseFrame = nullptr;
    if (focusedFrame == this) focusedFrame = nullptr;
    if (updateTimer_) killTimer(updateTimer_);
    tooltip_.reset();
    // The views go before the window so that their native windows go first.
    removeAllChildren();
    accessible_->reset();
    frame_.destroy();
}

void FrameView::setMarkup(const ZString& text, const ZString& baseUrl) {
    tools_.clear();
    tooltipView_ = nullptr;
    if (tooltip_) tooltip_->hide();
    accessible_->reset();
    scrollX_ = scrollY_ = 0;
    HtmlView::setMarkup(text, baseUrl);
    scheduleUpdate(false);
}

bool FrameView::create(win::WindowHandle parent, int x, int y, int width, int height,
                       uint32_t flags, uint32_t id, const ZString& title) {
    if (context_ && !context_->urlLoader())
        context_->setUrlLoader(std::make_unique<UrlLoader>(u"res:///"));
    if (context_) {
        context_->setCursorSetter([](int cursor) { requestedCursor = cursor; });
    }
    if (!frame_.create(parent, title, x, y, width, height, flags, id)) return false;
    scheduleUpdate(false);
    return true;
}

void FrameView::setScrollMode(int32_t axis, int32_t mode) {
    if (axis & kVertical) verticalScroll_ = mode;
    if (axis & kHorizontal) horizontalScroll_ = mode;
}

Point FrameView::toDocument(Point client) const {
    const Point o = origin();
    return {client.x + o.x + scrollX_, client.y + o.y + scrollY_};
}

Rect FrameView::toClient(const Rect& document) const {
    const Point o = origin();
    return document.offset(-(o.x + scrollX_), -(o.y + scrollY_));
}

Rect FrameView::viewportRect() const {
    if (!frame_.getHandle()) return getRect();
    const Rect client = frame_.getClientRect();
    const Point corner = toDocument({0, 0});
    return {corner.x, corner.y, corner.x + client.width(), corner.y + client.height()};
}

void FrameView::invalidateRect(const Rect* r) {
    if (!frame_.getHandle()) return;
    if (!r) {
        frame_.invalidate();
        return;
    }
    const Rect client = toClient(*r);
    frame_.invalidate(&client);
}

void FrameView::scheduleUpdate(bool immediate) {
    if (immediate && !updating_) {
        doUpdate();
        return;
    }
    if (updateTimer_ == 0) updateTimer_ = setTimer(100, kUpdateTimerId);
}

void FrameView::onTimer(uint32_t id) {
    if (id != 0 && id == updateTimer_) {
        killTimer(id);
        updateTimer_ = 0;
        scheduleUpdate(true);
        return;
    }
    HtmlView::onTimer(id);
}

bool FrameView::loadDocument(const ZString& url) {
    UrlLoader loader(u"res:///",
                     context_ && context_->urlLoader() ? context_->urlLoader()->instance() : "");
    std::string bytes;
    const uint32_t size = loader.load(url, bytes);
    const bool loaded = size != 0 && size != UrlLoader::kFailed;
    ZString text = loaded ? UrlLoader::textFromBytes(bytes) : ZString();
    onDocumentText(text);
    setMarkup(text, url);
    return loaded;
}

void FrameView::resizeToContent(int width) {
    const Size size = measure(width);
    frame_.setClientSize(size.width, size.height);
}

void FrameView::setAutoSize(bool width, bool height) {
    autoWidth_ = width;
    autoHeight_ = height;
}

Rect FrameView::layoutArea(const Rect& client) const { return client; }

void FrameView::clearLayoutCaches() {
    measureCache().clear();
    setCachedAvailableWidth(-1);
    setLastContentRect(kInvalidRect);
    setChildrenRect(kInvalidRect);
}

void FrameView::layoutInto(const Rect& clientArea) {
    laidOutClient_ = clientArea;
    const Point o = origin();
    const Rect client = clientArea.offset(o.x, o.y);
    const Rect area = layoutArea(client);
    const Rect used = layoutChildren(area, Layouter::kNormal);
    const Edges padding = getPaddings();
    documentSize_ = {
        std::max(0, used.right + (area.right < client.right ? padding.right : 0) - client.left),
        std::max(0, used.bottom + (area.bottom < client.bottom ? padding.bottom : 0) - client.top)};
    if (type_ == kFrameView) {
        // The root takes the whole client area, or the document where it is larger.
        setRect({client.left, client.top,
                 client.left + std::max(client.width(), documentSize_.width),
                 client.top + std::max(client.height(), documentSize_.height)});
    }
}

void FrameView::doUpdate() {
    updating_ = true;
    if (updateTimer_) {
        killTimer(updateTimer_);
        updateTimer_ = 0;
    }
    ++updateCount_;
    const Rect clientArea = frame_.getHandle() ? frame_.getClientRect() : getRect();
    layoutInto(clientArea);
    autoSizeToBody();
    if (updating_) updateScrollBars();
    // A bar that came or went changed the client area: the document is laid
    // out into it now, not at the size message's deferred update, so the
    // first paint shows no bar that is not needed.
    if (updating_ && frame_.getHandle() && frame_.getClientRect() != clientArea) {
        layoutInto(frame_.getClientRect());
        updateScrollBars();
    }
    if (updating_) sendEvent(ViewEvent::kAttach);
    if (updating_) updateTabOrder();
    if (updating_) accessible_->refresh();
    if (updating_) {
        updating_ = false;
        invalidateRect(nullptr);
    }
}

// Tab visits the native windows in document order; the platform skips
// those of nested frames, whose own order applies inside them.
void FrameView::updateTabOrder() {
    if (!frame_.getHandle()) return;
    std::vector<platform::WindowHandle> order;
    forEachInTree([&](View* view) {
        if (view == this) return true;
        if (auto* control = dynamic_cast<ControlView*>(view))
            control->appendWindows(order);
        else if (auto* frame = dynamic_cast<FrameView*>(view); frame && frame->windowHandle())
            order.push_back(frame->windowHandle());
        return true;
    });
    platform::gui::Window::setTabOrder(frame_.getHandle(), std::move(order));
}

void FrameView::sendEvent(int32_t type) {
    ViewEvent event;
    event.type = type;
    handleEvent(event);
}

void FrameView::autoSizeToBody() {
    if (!isAutoSize() || !frame_.getHandle()) return;
    View* body = findFirstByType(kBodyView);
    if (!body) return;
    const Size size = static_cast<BoxView*>(body)->lastOuterSize();
    if (size.width < 0 || size.height < 0) return;
    const Rect client = frame_.getClientRect();
    int width = client.width();
    int height = client.height();
    if (autoWidth_ && horizontalScroll_ == kScrollNever) width = size.width;
    if (autoHeight_ && verticalScroll_ == kScrollNever) height = size.height;
    if (width != client.width() || height != client.height()) frame_.setClientSize(width, height);
}

void FrameView::updateScrollBars() {
    if (!frame_.getHandle()) return;
    const int unit = scaleInt(25);
    // Showing one bar narrows the client area and may call for the other.
    for (int pass = 0; pass < 2; ++pass) {
        const Rect client = frame_.getClientRect();
        const bool horizontal =
            horizontalScroll_ == kScrollAlways ||
            (horizontalScroll_ == kScrollAuto && documentSize_.width > client.width());
        const bool vertical =
            verticalScroll_ == kScrollAlways ||
            (verticalScroll_ == kScrollAuto && documentSize_.height > client.height());
        frame_.showScrollBar(win::Bar::Horizontal, horizontal);
        frame_.showScrollBar(win::Bar::Vertical, vertical);
    }
    const Rect client = frame_.getClientRect();
    const bool horizontal = frame_.isScrollBarShown(win::Bar::Horizontal);
    const bool vertical = frame_.isScrollBarShown(win::Bar::Vertical);
    if (!horizontal && !vertical) {
        scrollTo(kBothAxes, 0);
        return;
    }
    if (horizontal) {
        const int position = frame_.getScrollPos(win::Bar::Horizontal);
        frame_.setScrollInfo(win::Bar::Horizontal, {0, ceilDiv(documentSize_.width, unit),
                                                    ceilDiv(client.width(), unit), position});
        scrollTo(kHorizontal, frame_.getScrollPos(win::Bar::Horizontal));
    } else {
        scrollTo(kHorizontal, 0);
    }
    if (vertical) {
        const int position = frame_.getScrollPos(win::Bar::Vertical);
        frame_.setScrollInfo(win::Bar::Vertical, {0, ceilDiv(documentSize_.height, unit),
                                                  ceilDiv(client.height(), unit), position});
        scrollTo(kVertical, frame_.getScrollPos(win::Bar::Vertical));
    } else {
        scrollTo(kVertical, 0);
    }
}

void FrameView::scrollTo(int32_t axis, int position) {
    const Rect client = frame_.getHandle() ? frame_.getClientRect() : getRect();
    const int unit = scaleInt(25);
    int x = scrollX_;
    int y = scrollY_;
    if (axis == kBothAxes) {
        x = 0;
        y = 0;
    } else if (axis == kVertical) {
        y = std::min(std::max(documentSize_.height - client.height(), 0), unit * position);
    } else if (axis == kHorizontal) {
        x = std::min(std::max(documentSize_.width - client.width(), 0), unit * position);
    }
    if (x == scrollX_ && y == scrollY_) return;
    scrollX_ = x;
    scrollY_ = y;
    sendEvent(ViewEvent::kScrolled);
    invalidateRect(nullptr);
}

void FrameView::onScrollMessage(bool vertical, int code, int position) {
    const win::Bar bar = vertical ? win::Bar::Vertical : win::Bar::Horizontal;
    const win::ScrollInfo info = frame_.getScrollInfo(bar);
    int next = info.position;
    switch (code) {
        case gui::kScrollLineUp:
            next -= 1;
            break;
        case gui::kScrollLineDown:
            next += 1;
            break;
        case gui::kScrollPageUp:
            next -= info.page;
            break;
        case gui::kScrollPageDown:
            next += info.page;
            break;
        case gui::kScrollThumbTrack:
            next = position;
            break;
        case gui::kScrollTop:
            next = info.minimum;
            break;
        case gui::kScrollBottom:
            next = info.maximum;
            break;
        case gui::kScrollThumbPosition:
            if (vertical) next = position;
            break;
        default:
            return;
    }
    frame_.setScrollPos(bar, next);
    const int now = frame_.getScrollPos(bar);
    if (now != info.position) scrollTo(vertical ? kVertical : kHorizontal, now);
}

void FrameView::paintFrame(platform::gfx::Dc& dc, const Rect& clip) {
    if (intersectsClip(clip)) paintBox(dc, clip);
    CompositeView::paint(dc, clip);
}

void FrameView::paintWindow(platform::gfx::Dc& dc, const Rect& clip) {
    sendEvent(ViewEvent::kBeforePaint);
    const Point corner = toDocument({0, 0});
    const Rect documentClip = clip.offset(corner.x, corner.y);
    {
        // Drawn off-screen as one picture and put on the window in one go.
        platform::gfx::Dc::SaveScope scope(dc);
        dc.intersectClip(clip);
        dc.beginLayer();
        dc.translate(-corner.x, -corner.y);
        paintFrame(dc, documentClip);
        accessible_->paintFocusRing(dc);
        dc.translate(corner.x, corner.y);
        dc.endLayer(1.0);
    }
    sendEvent(ViewEvent::kAfterPaint);
    // What is painted is what screen readers hear of: states follow paints.
    accessible_->refresh();
}

void FrameView::addTooltip(View* view) {
    if (!view || !frame_.getHandle()) return;
    if (!tooltip_) {
        gui::Tooltip::scaleTo(screenDpi());
        tooltip_ = std::make_unique<gui::Tooltip>(frame_.getHandle(), scaleInt(300));
    }
    if (std::find(tools_.begin(), tools_.end(), view) == tools_.end()) tools_.push_back(view);
}

bool FrameView::isTooltipViewValid(View* view) {
    bool found = false;
    forEachInTree([&](View* candidate) {
        found = candidate == view;
        return !found;
    });
    return found;
}

Rect FrameView::tooltipScreenRect() const {
    return tooltip_ && tooltipView_ ? tooltip_->screenRect() : Rect{};
}

void FrameView::updateTooltip(bool fromTimer) {
    if (!tooltip_) return;
    if (tooltipView_ && !isTooltipViewValid(tooltipView_)) tooltipView_ = nullptr;
    auto canShow = [](View* view) {
        return view->isHovered() && view->isVisibleInTree() && view->canShowTooltip();
    };
    // The timer may fire before the moves that took the pointer elsewhere
    // are handled: the tip is for the element under the pointer now.
    const Point pointer = frame_.getCursorPos();
    auto underPointer = [&](View* view) {
        return canShow(view) && view->containsPoint(toDocument(pointer));
    };
    if (!fromTimer) {
        if (tooltipView_ && !canShow(tooltipView_)) {
            tooltip_->hide();
            tooltipView_ = nullptr;
        }
        return;
    }
    if (!frame_.isPointerInClient()) {
        if (tooltipView_) {
            tooltip_->hide();
            tooltipView_ = nullptr;
        }
        return;
    }
    View* target = tooltipView_;
    if (target && !underPointer(target)) {
        tooltip_->hide();
        tooltipView_ = nullptr;
        return;
    }
    if (!target) {
        for (View* view : tools_) {
            if (isTooltipViewValid(view) && underPointer(view)) {
                target = view;
                break;
            }
        }
        if (!target) return;
    }
    // A tip already showing keeps its text and size and only follows the
    // pointer; preparing it again would shrink and regrow its window.
    const Rect tip =
        target == tooltipView_
            ? tooltip_->screenRect()
            : tooltip_->prepare(target->styleString(StyleId::Title, ZString(), kStateNormal));
    const Point cursor = frame_.clientToScreen(pointer);
    const Rect monitor = frame_.getMonitorRect();
    int x = cursor.x;
    int y = cursor.y + scaleInt(25);
    x = std::max(x, monitor.left);
    if (x + tip.width() > monitor.right) x = monitor.right - tip.width();
    // Below the pointer, or above it where the screen ends: never over the
    // point the pointer shows.
    if (y + tip.height() > monitor.bottom) y = std::max(monitor.top, cursor.y - 5 - tip.height());
    tooltip_->showAt(x, y);
    tooltipView_ = target;
    tooltipPointer_ = cursor;
}

void FrameView::hideTooltip() {
    if (tooltip_) tooltip_->hide();
    tooltipView_ = nullptr;
}

ControlView* FrameView::controlAt(Point client) {
    const Point point = toDocument(client);
    ControlView* found = nullptr;
    forEachInTree([&](View* view) {
        if (view->hasStyle(StyleId::NativeWindow) && view->getFrame(false) == this &&
            view->isVisibleInTree() && view->containsPoint(point)) {
            auto* control = dynamic_cast<ControlView*>(view);
            if (control && control->window()) found = control;
        }
        return found == nullptr;
    });
    return found;
}

void FrameView::onFirstMessage() {
    timersStarted_ = true;
    frame_.setTimer(kTooltipTimer, 500);
    frame_.setTimer(kSecondTimer, 1000);
}

void FrameView::mouseToTree(Message& message, uint32_t buttons) {
    MouseEvent event;
    event.point = toDocument({message.x, message.y});
    event.buttons = buttons;
    FrameView* previousFrame = mouseFrame;
    mouseFrame = this;
    requestedCursor = kCursorDefault;
    // The window's root hears everything in its client area, however far
    // the document is scrolled; a nested frame's own box is hit in the outer one.
    if (type_ == kFrameView)
        BoxView::handleMouse(event);
    else if (isVisible())
        dispatchMouseToChildren(event);
    if (buttons < kMouseLeftFrame)
        frame_.setCursor(requestedCursor == kCursorPointer ? gui::Cursor::Hand : gui::Cursor::Arrow);
    mouseFrame = previousFrame;
}

intptr_t FrameView::handleMessage(Message& message) {
    if (!timersStarted_ && frame_.getHandle()) onFirstMessage();
    const uint32_t keys = message.keyState;
    switch (message.msg) {
        case Msg::Size:
            // The size the document was last laid out for needs no new layout
            // (a scroll bar shown by the update itself reports it).
            if (frame_.getClientRect() != laidOutClient_) scheduleUpdate(false);
            return 0;
        case Msg::Activate:
            sendEvent(message.active ? ViewEvent::kActivated : ViewEvent::kDeactivated);
            return 0;
        case Msg::SetFocus:
            focusedFrame = this;
            if (accessible_->focusedView()) invalidateRect(nullptr);  // the ring comes back
            return 0;
        case Msg::KillFocus:
            if (focusedFrame == this) focusedFrame = nullptr;
            if (accessible_->focusedView()) invalidateRect(nullptr);
            sendEvent(ViewEvent::kFocusLost);
            return 0;
        case Msg::Paint:
            if (message.dc) paintWindow(*message.dc, message.clip);
            return 0;
        case Msg::Timer:
            if (message.id == kTooltipTimer && tooltip_) updateTooltip(true);
            return 0;
        case Msg::HScroll:
        case Msg::VScroll:
            onScrollMessage(message.msg == Msg::VScroll, message.code, message.position);
            return 0;
        case Msg::MouseMove:
            updateTooltip(false);
            trackMouseLeave();
            // The wheel scrolls the frame under the pointer.
            if (focusedFrame && focusedFrame != this) frame_.setFocus();
            mouseToTree(message, keys & 3);
            // A tip whose element the pointer just left goes at once.
            updateTooltip(false);
            return 0;
        case Msg::LButtonDown:
            // No tip outlives a click.
            hideTooltip();
            // The pointer takes over from the keyboard: no ring until Tab.
            platform::gui::AccessibleArea::focusItem(frame_.getHandle(), -1);
            // A native control takes presses on its text only; one on its
            // frame or padding comes here and still gives it the focus.
            if (ControlView* control = controlAt({message.x, message.y}))
                gui::Window::setFocus(control->window());
            else
                frame_.setFocus();
            mouseToTree(message, kLeftDown | 1 | (keys & gui::kKeyRightButton ? 2 : 0));
            return 0;
        case Msg::LButtonUp:
            mouseToTree(message, kLeftUp | (keys & gui::kKeyRightButton ? 2 : 0));
            return 0;
        case Msg::RButtonDown:
            hideTooltip();
            frame_.setFocus();
            mouseToTree(message, kRightDown | 2 | (keys & gui::kKeyLeftButton ? 1 : 0));
            return 0;
        case Msg::RButtonUp:
            mouseToTree(message, kRightUp | (keys & gui::kKeyLeftButton ? 1 : 0));
            return 0;
        case Msg::MouseLeave:
            trackingMouse_ = false;
            mouseToTree(message, kMouseLeftFrame);
            updateTooltip(false);
            return 0;
        case Msg::MouseWheel:
            if (verticalScroll_ != kScrollNever && frame_.isScrollBarShown(win::Bar::Vertical)) {
                const int position = frame_.getScrollPos(win::Bar::Vertical);
                const int next =
                    message.wheelDelta > 0 ? position - kWheelUnits : position + kWheelUnits;
                onScrollMessage(true, gui::kScrollThumbPosition, next);
            }
            return 0;
        case Msg::FocusItem:
            accessible_->onFocusItem(message.code);
            return 0;
        case Msg::ItemAction:
            accessible_->pressItem(message.code);
            return 0;
        case Msg::KeyDown:
            if (accessible_->onKey(message.key)) return 1;
            if (message.key == gui::kVkPageUp || message.key == gui::kVkPageDown) {
                onScrollMessage(
                    true, message.key == gui::kVkPageUp ? gui::kScrollPageUp : gui::kScrollPageDown,
                    0);
                return 1;
            }
            [[fallthrough]];
        case Msg::KeyUp:
            if (!platform::gui::Window::isTopLevel(frame_.getHandle()))
                return platform::gui::Window::send(frame_.getParent(), message);
            return 0;
        case Msg::Command:
            if (View* view = findControlByWindow(message.control))
                view->onCommand(message.control, message.code);
            return 0;
        case Msg::Notify:
            if (View* view = findControlByWindow(message.control))
                view->onNotify(message.control, &message);
            return 0;
        default:
            return frame_.defaultProc(message);
    }
}

View* FrameView::findControlByWindow(const void* window) {
    if (!window) return nullptr;
    View* found = nullptr;
    forEachInTree([&](View* view) {
        if ((view->type() == kSelectView || view->type() == kObjectView ||
             view->hasStyle(StyleId::NativeWindow)) &&
            view->ownsWindow(window))
            found = view;
        return found == nullptr;
    });
    return found;
}

void FrameView::handleEvent(ViewEvent& event) {
    HtmlView::handleEvent(event);
    if (event.type == ViewEvent::kDocumentBuilt) scheduleUpdate(false);
}

void FrameView::relayoutNeeded() {
    clearLayoutCaches();
    scheduleUpdate(false);
}

// --- nested frames

Rect IFrameView::innerRect() const {
    const Rect box = getBorderBox();
    const Edges borders = getBorderWidths();
    return {box.left + borders.left, box.top + borders.top, box.right - borders.right,
            box.bottom - borders.bottom};
}

Point IFrameView::origin() const {
    const Rect inner = innerRect();
    return {inner.left, inner.top};
}

Rect IFrameView::layoutArea(const Rect& client) const {
    const Edges padding = getPaddings();
    return {client.left + padding.left, client.top + padding.top, client.right - padding.right,
            client.bottom - padding.bottom};
}

void IFrameView::placeWindow() {
    FrameView* outer = parent() ? parent()->getFrame(false) : nullptr;
    if (!outer || !outer->windowHandle()) return;
    const Rect inner = innerRect();
    const Rect placed = outer->toClient(inner);
    if (!windowHandle()) {
        if (!create(outer->windowHandle(), placed.left, placed.top, std::max(0, inner.width()),
                    std::max(0, inner.height()), gui::kChild | gui::kTransparent | gui::kVisible))
            return;
    } else {
        getWindow().move(placed.left, placed.top);
        const Rect current = getWindow().getRectInParent();
        if (current.width() != inner.width() || current.height() != inner.height())
            getWindow().setClientSize(inner.width(), inner.height());
    }
    getWindow().show(isVisibleInTree() && !inner.isEmpty());
}

void IFrameView::handleEvent(ViewEvent& event) {
    const bool windowed =
        parent() && parent()->getFrame(false) && parent()->getFrame(false)->windowHandle();
    if (!windowed || isUpdating()) {
        FrameView::handleEvent(event);
        return;
    }
    if (event.type == ViewEvent::kAttach) {
        // Placed by the outer layout: the window follows, and the content is
        // laid out again into the window's client area.
        placeWindow();
        if (windowHandle()) {
            doUpdate();
            return;
        }
    } else if (event.type == ViewEvent::kScrolled) {
        placeWindow();
        return;
    }
    FrameView::handleEvent(event);
}

void IFrameView::handleMouse(MouseEvent& event) {
    if (!windowHandle()) {
        FrameView::handleMouse(event);
        return;
    }
    // The content lives in the frame's own window and hears the pointer there.
    MouseEvent own = event;
    own.buttons |= kSkipChildren;
    FrameView::handleMouse(own);
}

void IFrameView::paintContent(platform::gfx::Dc& dc, const Rect& clip) {
    if (!windowHandle()) FrameView::paintContent(dc, clip);
}

void IFrameView::paintFrame(platform::gfx::Dc& dc, const Rect& clip) {
    CompositeView::paint(dc, clip);
}

intptr_t IFrameView::handleMessage(Message& message) { return FrameView::handleMessage(message); }

}  // namespace xhtml
