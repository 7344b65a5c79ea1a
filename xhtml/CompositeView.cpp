#include "xhtml/CompositeView.h"

#include <algorithm>

#include "xhtml/FrameView.h"
#include "xhtml/HtmlView.h"
#include "xhtml/StyleTables.h"
#include "xhtml/TextView.h"

namespace xhtml {

CompositeView::CompositeView(ViewContext* context, int32_t type) : View(context, type) {}

CompositeView::~CompositeView() = default;

View* CompositeView::convertTo(int32_t newType) {
    if (newType == type_) return nullptr;
    std::unique_ptr<CompositeView> target;
    switch (newType) {
        case kInlineView: target = std::make_unique<InlineView>(context_); break;
        case kBoxView: target = std::make_unique<BoxView>(context_); break;
        case kBlockView: target = std::make_unique<BlockView>(context_); break;
        case kIFrameView: target = std::make_unique<IFrameView>(context_); break;
        default: return nullptr;
    }
    return replaceWith(std::move(target));
}

View* CompositeView::replaceWith(std::unique_ptr<CompositeView> target) {
    for (int32_t state = 0; state < kStateCount; ++state) {
        for (const auto& [id, value] : styles_[static_cast<size_t>(state)]) target->setStyle(id, value, state);
    }
    // A fresh box marks itself; a converted inline view must not keep that mark.
    if (target->type() == kInlineView) target->removeStyle(StyleId::BoxMarker, kStateNormal);
    target->adoptChildren(this);
    target->rect_ = rect_;
    View* result = target.get();
    if (CompositeView* parent = parent_) {
        const int index = parent->indexOf(this);
        target->parent_ = parent;
        // Swapping the slot deletes this view: nothing may touch members after.
        parent->children_[static_cast<size_t>(index)] = std::move(target);
    } else {
        target.release();  // without a parent the caller owns the replacement
    }
    return result;
}

void CompositeView::offsetBy(int dx, int dy) {
    if (dx == 0 && dy == 0) return;
    View::offsetBy(dx, dy);
    for (auto& child : children_) child->offsetBy(dx, dy);
}

bool CompositeView::containsPoint(Point point) const {
    return std::any_of(children_.begin(), children_.end(),
                       [&](const auto& child) { return child->containsPoint(point); });
}

namespace {

// The class an element needs for its display value: block and inline-block
// ask for a box, which inline views and plain containers do not have. Links,
// rows, cells and the other special views keep their class.
int32_t typeForDisplay(int32_t type, const StyleValue* display) {
    if (!display) return type;
    const bool plain = type == kCompositeView || type == kInlineView;
    if (display->toInt() == kDisplayBlock && (plain || type == kBoxView)) return kBlockView;
    if (display->toInt() == kDisplayInlineBlock && plain) return kBoxView;
    return type;
}

}  // namespace

void CompositeView::handleEvent(ViewEvent& event) {
    if (event.type == ViewEvent::kDocumentBuilt) {
        // Styles are complete once the document is built: a display value
        // that needs another class converts the view now. convertTo deletes
        // this view, so only the result goes on.
        const int32_t wanted = typeForDisplay(type_, lookupStyle(StyleId::Display, kStateNormal));
        if (wanted != type_ && parent_) {
            if (View* converted = convertTo(wanted)) {
                converted->handleEvent(event);
                return;
            }
        }
    }
    View::handleEvent(event);
    // The list may change under us when a child converts itself.
    for (size_t i = 0; i < children_.size() && !event.handled; ++i) children_[i]->handleEvent(event);
}

void CompositeView::handleMouse(MouseEvent& event) {
    if (!isHovered() && !containsPoint(event.point)) return;
    if (!isVisible()) return;
    if (isDisabled() && !isHovered()) return;
    if (!(event.buttons & kSkipChildren)) dispatchMouseToChildren(event);
    runMouseSteps(event);
}

void CompositeView::styleChanged(View* view, int32_t id, int32_t state) {
    View::styleChanged(view, id, state);
    for (auto& child : children_) child->styleChanged(view, id, state);
}

bool CompositeView::forEachInTree(const std::function<bool(View*)>& visit) {
    if (!visit(this)) return false;
    for (auto& child : children_) {
        if (!child->forEachInTree(visit)) return false;
    }
    return true;
}

void CompositeView::appendChild(View* child) {
    if (!child) return;
    child->parent_ = this;
    children_.emplace_back(child);
}

void CompositeView::adoptChildren(CompositeView* other) {
    if (!other || other == this) return;
    for (auto& child : other->children_) {
        child->parent_ = this;
        children_.push_back(std::move(child));
    }
    other->children_.clear();
}

void CompositeView::insertChild(View* child, int index) {
    if (!child) return;
    index = std::clamp(index, 0, childCount());
    child->parent_ = this;
    children_.emplace(children_.begin() + index, child);
}

void CompositeView::removeAllChildren() { children_.clear(); }

bool CompositeView::removeChild(View* child) {
    auto owned = detachChild(child);
    return owned != nullptr;
}

std::unique_ptr<View> CompositeView::detachChild(View* child) {
    if (!child || child->parent_ != this) return nullptr;
    const int index = indexOf(child);
    if (index < 0) return nullptr;
    std::unique_ptr<View> owned = std::move(children_[static_cast<size_t>(index)]);
    children_.erase(children_.begin() + index);
    owned->parent_ = nullptr;
    return owned;
}

int CompositeView::indexOf(const View* child) const {
    for (size_t i = 0; i < children_.size(); ++i) {
        if (children_[i].get() == child) return static_cast<int>(i);
    }
    return -1;
}

void CompositeView::layoutInRect(const Rect&, Rect& used) { used = rect_; }

void CompositeView::dispatchMouseToChildren(MouseEvent& event) {
    for (size_t i = 0; i < children_.size(); ++i) children_[i]->handleMouse(event);
}

void CompositeView::setText(const ZString& text) {
    if (children_.size() == 1 && children_[0]->type() == kTextView &&
        static_cast<const TextView*>(children_[0].get())->text() == text)
        return;
    removeAllChildren();
    appendChild(new TextView(context_, text));
    relayoutNeeded();
}

void CompositeView::setInnerMarkup(const ZString& markup) {
    removeAllChildren();
    HtmlView fragment(context_);
    fragment.setMarkup(markup);
    adoptChildren(&fragment);
    relayoutNeeded();
}

void CompositeView::setHiddenByClass(const ZString& name, bool hide) {
    forEachInTree([&](View* view) {
        if (view->hasClass(name)) view->setVisible(!hide, false);
        return true;
    });
}

}  // namespace xhtml
