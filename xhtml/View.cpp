#include "xhtml/View.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "platform/ThreadTimer.h"
#include "platform/gfx/Font.h"
#include "xhtml/CompositeView.h"
#include "xhtml/FrameView.h"
#include "xhtml/StyleLimits.h"
#include "xhtml/StyleTables.h"
#include "xhtml/ViewContext.h"

namespace xhtml {
namespace {

struct TimerPair {
    View* view;
    uint32_t id;
};

// Every running view timer; the one timer callback finds its view here.
std::vector<TimerPair>& timerList() {
    static std::vector<TimerPair> pairs;
    return pairs;
}

void onAnyTimer(uint32_t id) {
    for (const TimerPair& pair : timerList()) {
        if (pair.id == id) {
            pair.view->onTimer(id);
            return;
        }
    }
}

int readDpiOnce() {
    const char* text = std::getenv("VARTO_DPI");
    if (text && *text) {
        const int dpi = std::atoi(text);
        if (dpi > 0) return dpi;
    }
    return 96;
}

int& dpiSetting() {
    static int dpi = readDpiOnce();
    return dpi;
}

bool isWordSeparator(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

}  // namespace

View::View(ViewContext* context, int32_t type) : context_(context), type_(type) {}

View::~View() {
    auto& pairs = timerList();
    for (size_t i = pairs.size(); i-- > 0;) {
        if (pairs[i].view == this) {
            platform::ThreadTimer::stop(pairs[i].id);
            pairs.erase(pairs.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

void View::onTimer(uint32_t id) {
    if (animator_ && animator_->ownsTimer(id)) animator_->onTimer(id);
}

View* View::convertTo(int32_t) { return nullptr; }

std::shared_ptr<platform::gfx::Font> View::getFont() {
    // A fractional size (13.5px) is scaled first and cut afterwards.
    const StyleValue* sizeValue = lookupInheritedStyle(StyleId::FontSize);
    double size = sizeValue ? sizeValue->toDouble() : 13.0;
    if (!std::isfinite(size)) size = 13.0;
    const int32_t weight = inheritedInt(StyleId::FontWeight, 400);
    const bool italic = inheritedBool(StyleId::Italic, false);
    const ZString family = inheritedString(StyleId::FontFamily, u"Verdana");
    const int height = -static_cast<int>(std::clamp(size * dpiScale(), -1e6, 1e6));
    auto font = platform::gfx::Font::shared(height, weight, italic, family);
    return font ? font : platform::gfx::Font::stock();
}

View* View::getRoot() {
    View* view = this;
    while (view->parent_) view = view->parent_;
    return view;
}

FrameView* View::getFrame(bool outermostOnly) {
    for (View* view = this; view; view = view->parent_) {
        if (view->type_ == kFrameView || (!outermostOnly && view->type_ == kIFrameView))
            return static_cast<FrameView*>(view);
    }
    return nullptr;
}

bool View::ownsWindow(const void*) const { return false; }
void View::onCommand(const void*, int) {}
void View::onNotify(const void*, const void*) {}

void View::setPosition(int x, int y) {
    const int64_t width = rect_.width();
    const int64_t height = rect_.height();
    rect_.left = clampExtent(x);
    rect_.top = clampExtent(y);
    rect_.right = clampExtent(rect_.left + width);
    rect_.bottom = clampExtent(rect_.top + height);
}

void View::setSize(int width, int height) {
    rect_.right = clampExtent(int64_t{rect_.left} + width);
    rect_.bottom = clampExtent(int64_t{rect_.top} + height);
}

void View::offsetBy(int dx, int dy) {
    if (dx == 0 && dy == 0) return;
    rect_ = {clampExtent(int64_t{rect_.left} + dx), clampExtent(int64_t{rect_.top} + dy),
             clampExtent(int64_t{rect_.right} + dx), clampExtent(int64_t{rect_.bottom} + dy)};
}

bool View::containsPoint(Point point) const { return rect_.contains(point); }

bool View::intersects(const Rect& other) const { return rect_.touches(other); }

bool View::isDisplayed() const {
    const StyleValue* display = lookupStyle(StyleId::Display);
    return !display || display->toInt() != kDisplayNone;
}

void View::layout(Layouter&) {}

void View::handleEvent(ViewEvent& event) {
    if (event.type == ViewEvent::kAttach && hasStyle(StyleId::Title)) {
        if (FrameView* frame = getFrame(false)) frame->addTooltip(this);
    }
}

void View::paint(platform::gfx::Dc&, const Rect&) {}

void View::setVisible(bool show, bool useVisibility) {
    if (show) {
        setStyleAndNotify(StyleId::Display, StyleValue::makeInt(kDisplayDefault), kStateNormal);
        setStyleAndNotify(StyleId::Visibility, StyleValue::makeInt(kVisibilityVisible), kStateNormal);
    } else if (useVisibility) {
        setStyleAndNotify(StyleId::Visibility, StyleValue::makeInt(kVisibilityHidden), kStateNormal);
    } else {
        setStyleAndNotify(StyleId::Display, StyleValue::makeInt(kDisplayNone), kStateNormal);
    }
}

bool View::isVisible() const {
    if (const StyleValue* visibility = lookupStyle(StyleId::Visibility); visibility && visibility->toInt() == kVisibilityHidden)
        return false;
    return !isDisplayNone();
}

bool View::isVisibleInTree() const {
    for (const View* view = this; view; view = view->parent_) {
        if (!view->isVisible()) return false;
    }
    return true;
}

bool View::isDisplayNone() const {
    const StyleValue* display = lookupStyle(StyleId::Display);
    return display && display->toInt() == kDisplayNone;
}

int32_t View::getStyleState() const {
    if (stateFlags_ & kLeftPressed) return kStateLeftDown;
    if (stateFlags_ & kRightPressed) return kStateRightDown;
    if (stateFlags_ & kHovered) return kStateHover;
    return kStateNormal;
}

StyleMap& View::getStyleMap(int32_t state) {
    return styles_[static_cast<size_t>(resolveState(state) & 3)];
}

const StyleMap& View::getStyleMap(int32_t state) const {
    return styles_[static_cast<size_t>(resolveState(state) & 3)];
}

void View::styleChanged(View* view, int32_t, int32_t) {
    if (view == this) relayoutNeeded();
}

void View::setStyle(int32_t id, const StyleValue& value, int32_t state) {
    StyleMap& map = getStyleMap(state);
    if (value.isUnset())
        map.erase(id);
    else
        map[id] = StyleLimits::limit(id, value);
}

const StyleValue* View::styleEntry(int32_t id, int32_t state) const {
    const StyleMap& map = getStyleMap(state);
    auto it = map.find(id);
    return it == map.end() ? nullptr : &it->second;
}

bool View::findStyle(int32_t id, StyleValue& out, int32_t state) const {
    const StyleValue* value = lookupStyle(id, state);
    if (!value) return false;
    out = *value;
    return true;
}

const StyleValue* View::lookupStyle(int32_t id, int32_t state) const {
    const int32_t resolved = resolveState(state);
    if (const StyleValue* value = styleEntry(id, resolved)) return value;
    if (resolved != kStateNormal) return styleEntry(id, kStateNormal);
    return nullptr;
}

bool View::hasStyle(int32_t id, int32_t state) const { return lookupStyle(id, state) != nullptr; }

bool View::hasInheritedStyle(int32_t id, int32_t state) const { return lookupInheritedStyle(id, state) != nullptr; }

bool View::findInheritedStyle(int32_t id, StyleValue& out, int32_t state) const {
    const StyleValue* value = lookupInheritedStyle(id, state);
    if (!value) return false;
    out = *value;
    return true;
}

const StyleValue* View::lookupInheritedStyle(int32_t id, int32_t state) const {
    for (const View* view = this; view; view = view->parent_) {
        if (const StyleValue* value = view->lookupStyle(id, state)) return value;
    }
    return nullptr;
}

void View::setStyleAndNotify(int32_t id, const StyleValue& value, int32_t state) {
    const int32_t resolved = resolveState(state);
    const StyleValue* current = styleEntry(id, resolved);
    if (current ? *current == value : value.isUnset()) return;
    setStyle(id, value, resolved);
    styleChanged(this, id, resolved);
}

void View::copyStyles(const int32_t* ids, int count, View* target, int32_t state) {
    if (!ids || !target) return;
    for (int i = 0; i < count; ++i) {
        if (const StyleValue* value = lookupStyle(ids[i], state)) target->setStyle(ids[i], *value, state);
    }
}

void View::removeStyle(int32_t id, int32_t state) { getStyleMap(state).erase(id); }

ZString View::getId() const { return styleString(StyleId::Id, ZString(), kStateNormal); }

bool View::isDisabled() const { return styleBool(StyleId::Disabled); }

void View::setDisabled(bool disabled, double opacity) {
    setStyleAndNotify(StyleId::Disabled, StyleValue::makeBool(disabled), kStateNormal);
    setStyleAndNotify(StyleId::Opacity, StyleValue::makeDouble(opacity), kStateNormal);
}

int32_t View::styleInt(int32_t id, int32_t fallback, int32_t state) const {
    const StyleValue* value = lookupStyle(id, state);
    return value ? value->toInt() : fallback;
}

double View::styleDouble(int32_t id, double fallback, int32_t state) const {
    const StyleValue* value = lookupStyle(id, state);
    return value ? value->toDouble() : fallback;
}

bool View::styleBool(int32_t id, bool fallback, int32_t state) const {
    const StyleValue* value = lookupStyle(id, state);
    return value ? value->toDouble() != 0 : fallback;
}

Color View::styleColor(int32_t id, Color fallback, int32_t state) const {
    const StyleValue* value = lookupStyle(id, state);
    return value && value->kind() == StyleValue::Colour ? value->asColor() : fallback;
}

ZString View::styleString(int32_t id, const ZString& fallback, int32_t state) const {
    const StyleValue* value = lookupStyle(id, state);
    return value && value->kind() == StyleValue::String ? value->asString() : fallback;
}

int32_t View::inheritedInt(int32_t id, int32_t fallback, int32_t state) const {
    const StyleValue* value = lookupInheritedStyle(id, state);
    return value ? value->toInt() : fallback;
}

bool View::inheritedBool(int32_t id, bool fallback, int32_t state) const {
    const StyleValue* value = lookupInheritedStyle(id, state);
    return value ? value->toDouble() != 0 : fallback;
}

Color View::inheritedColor(int32_t id, Color fallback, int32_t state) const {
    const StyleValue* value = lookupInheritedStyle(id, state);
    return value && value->kind() == StyleValue::Colour ? value->asColor() : fallback;
}

ZString View::inheritedString(int32_t id, const ZString& fallback, int32_t state) const {
    const StyleValue* value = lookupInheritedStyle(id, state);
    return value && value->kind() == StyleValue::String ? value->asString() : fallback;
}

void View::onMouseEnter() {
    if (!styles_[kStateHover].empty()) relayoutNeeded();
}

void View::onMouseLeave() {
    if (!styles_[kStateHover].empty()) relayoutNeeded();
}

void View::onLButtonDown() {
    if (!styles_[kStateLeftDown].empty()) relayoutNeeded();
    if (context_) context_->onLButtonDown(this);
}

void View::onLButtonUp() {
    if (!styles_[kStateLeftDown].empty()) relayoutNeeded();
    if (context_) context_->onLButtonUp(this);
}

void View::onRButtonDown() {
    if (!styles_[kStateRightDown].empty()) relayoutNeeded();
    if (context_) context_->onRButtonDown(this);
}

void View::onRButtonUp() {
    if (!styles_[kStateRightDown].empty()) relayoutNeeded();
    if (context_) context_->onRButtonUp(this);
}

void View::handleMouse(MouseEvent& event) {
    if (!isVisible()) return;
    if (isDisabled() && !isHovered()) return;
    runMouseSteps(event);
}

void View::runMouseSteps(MouseEvent& event) {
    constexpr uint32_t kMouseBits = kHovered | kLeftPressed | kRightPressed;
    if (event.buttons > 127 && isHovered()) {
        stateFlags_ &= ~kMouseBits;
        onMouseLeave();
    }
    if (containsPoint(event.point)) {
        if (const StyleValue* cursor = lookupStyle(StyleId::Cursor); cursor && context_)
            context_->setCursor(cursor->toInt());
        if (!isHovered()) {
            stateFlags_ |= kHovered;
            onMouseEnter();
        } else if (event.buttons & kLeftDown) {
            stateFlags_ |= kLeftPressed;
            onLButtonDown();
        } else if (event.buttons & kLeftUp) {
            if (stateFlags_ & kLeftPressed) stateFlags_ = (stateFlags_ & ~kLeftPressed) | kLeftClick;
            onLButtonUp();
            stateFlags_ &= ~kLeftClick;
        } else if (event.buttons & kRightDown) {
            stateFlags_ |= kRightPressed;
            onRButtonDown();
        } else if (event.buttons & kRightUp) {
            if (stateFlags_ & kRightPressed) stateFlags_ = (stateFlags_ & ~kRightPressed) | kRightClick;
            onRButtonUp();
            stateFlags_ &= ~kRightClick;
        } else {
            onMouseMove();
        }
    } else if (isHovered()) {
        stateFlags_ &= ~kMouseBits;
        onMouseLeave();
    }
}

bool View::hasClass(const ZString& name) const {
    if (name.isEmpty()) return false;
    const StyleValue* classes = lookupStyle(StyleId::ClassList, kStateNormal);
    if (!classes || classes->kind() != StyleValue::String) return false;
    const std::u16string_view text = classes->asString().view();
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = start;
        while (end < text.size() && !isWordSeparator(text[end])) ++end;
        if (text.substr(start, end - start) == name.view()) return true;
        start = end + 1;
    }
    return false;
}

bool View::forEachInTree(const std::function<bool(View*)>& visit) { return visit(this); }

void View::findByType(int32_t type, std::vector<View*>& out) {
    forEachInTree([&](View* view) {
        if (view->type_ == type) out.push_back(view);
        return true;
    });
}

View* View::findFirstByType(int32_t type) {
    View* found = nullptr;
    forEachInTree([&](View* view) {
        if (view->type_ == type) found = view;
        return found == nullptr;
    });
    return found;
}

void View::findByStyle(int32_t id, const StyleValue* value, std::vector<View*>& out) {
    forEachInTree([&](View* view) {
        const StyleValue* own = view->lookupStyle(id, kStateNormal);
        if (own && (!value || *own == *value)) out.push_back(view);
        return true;
    });
}

View* View::findFirstByStyle(int32_t id, const StyleValue* value) {
    View* found = nullptr;
    forEachInTree([&](View* view) {
        const StyleValue* own = view->lookupStyle(id, kStateNormal);
        if (own && (!value || *own == *value)) found = view;
        return found == nullptr;
    });
    return found;
}

void View::findByClass(const ZString& name, std::vector<View*>& out) {
    forEachInTree([&](View* view) {
        if (view->hasClass(name)) out.push_back(view);
        return true;
    });
}

View* View::findFirstByClass(const ZString& name) {
    View* found = nullptr;
    forEachInTree([&](View* view) {
        if (view->hasClass(name)) found = view;
        return found == nullptr;
    });
    return found;
}

void View::findById(const ZString& id, std::vector<View*>& out) {
    const StyleValue key = StyleValue::makeString(id);
    findByStyle(StyleId::Id, &key, out);
}

View* View::findViewById(const ZString& id) {
    const StyleValue key = StyleValue::makeString(id);
    return findFirstByStyle(StyleId::Id, &key);
}

void View::invalidate() {
    if (FrameView* frame = getFrame(false)) frame->invalidateRect(rect_);
}

void View::relayoutNeeded() {
    if (parent_) parent_->relayoutNeeded();
}

uint32_t View::setTimer(uint32_t intervalMs, uint32_t id) {
    auto& pairs = timerList();
    for (const TimerPair& pair : pairs) {
        if (pair.view == this && pair.id == id) {
            platform::ThreadTimer::restart(id, intervalMs);
            return id;
        }
    }
    const uint32_t newId = platform::ThreadTimer::start(intervalMs, onAnyTimer);
    if (newId == 0) return 0;
    pairs.push_back({this, newId});
    return newId;
}

void View::killTimer(uint32_t id) {
    auto& pairs = timerList();
    for (auto it = pairs.begin(); it != pairs.end(); ++it) {
        if (it->view == this && it->id == id) {
            platform::ThreadTimer::stop(id);
            pairs.erase(it);
            return;
        }
    }
}

double View::scale(double value) const { return value * screenDpi() / 96.0; }

int View::scaleInt(int value) const {
    // Lengths far beyond any screen are cut down, so sums of them stay ints.
    constexpr int64_t kLimit = 10'000'000;
    return static_cast<int>(std::clamp<int64_t>(int64_t{value} * screenDpi() / 96, -kLimit, kLimit));
}

double View::dpiScale() const { return screenDpi() / 96.0; }

void View::setAnimator(std::unique_ptr<Animator> animator) {
    animator_ = std::move(animator);  // the old animator stops its timer when destroyed
    if (animator_) animator_->start();
}

void View::removeSelf() {
    if (parent_)
        parent_->removeChild(this);
    else
        delete this;
}

int View::screenDpi() { return dpiSetting(); }

void View::setScreenDpi(int dpi) {
    if (dpi > 0) dpiSetting() = dpi;
}

}  // namespace xhtml
