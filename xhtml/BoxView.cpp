#include "xhtml/BoxView.h"

#include "xhtml/FrameView.h"
#include "xhtml/StyleTables.h"

namespace xhtml {
namespace {

bool makesFrame(const StyleValue* overflow) {
    if (!overflow) return false;
    const int32_t value = overflow->toInt();
    return value == kOverflowAuto || value == kOverflowScroll || value == kOverflowHidden;
}

int32_t scrollModeFor(const StyleValue* overflow) {
    if (!overflow) return FrameView::kScrollAuto;
    switch (overflow->toInt()) {
        case kOverflowScroll: return FrameView::kScrollAlways;
        case kOverflowHidden: return FrameView::kScrollNever;
        default: return FrameView::kScrollAuto;
    }
}

}  // namespace

BoxView::BoxView(ViewContext* context, int32_t type) : CompositeView(context, type) {
    setStyle(StyleId::BoxMarker, StyleValue::makeBool(false), kStateNormal);
}

void BoxView::setPosition(int x, int y) {
    offsetBy(x - rect_.left, y - rect_.top);
    moved_ = false;
}

void BoxView::offsetBy(int dx, int dy) {
    if (dx == 0 && dy == 0) return;
    CompositeView::offsetBy(dx, dy);
    if (lastContentRect_ != kInvalidRect) lastContentRect_ = lastContentRect_.offset(dx, dy);
    if (childrenRect_ != kInvalidRect) childrenRect_ = childrenRect_.offset(dx, dy);
}

bool BoxView::containsPoint(Point point) const { return getBorderBox().contains(point); }

void BoxView::handleEvent(ViewEvent& event) {
    if (event.type == ViewEvent::kDocumentBuilt) {
        const StyleValue* overflowX = lookupStyle(StyleId::OverflowX, kStateNormal);
        const StyleValue* overflowY = lookupStyle(StyleId::OverflowY, kStateNormal);
        if ((makesFrame(overflowX) || makesFrame(overflowY)) && type_ != kIFrameView) {
            const int32_t horizontal = scrollModeFor(overflowX);
            const int32_t vertical = scrollModeFor(overflowY);
            // convertTo deletes this view when it has a parent: use only the result.
            if (View* converted = convertTo(kIFrameView)) {
                auto* frame = static_cast<IFrameView*>(converted);
                frame->setScrollMode(FrameView::kHorizontal, horizontal);
                frame->setScrollMode(FrameView::kVertical, vertical);
                frame->handleEvent(event);
                return;
            }
        }
    }
    if (event.type == ViewEvent::kAttach || event.type == ViewEvent::kScrolled) applyPosition();
    if (event.type == ViewEvent::kAttach) attached_ = true;
    CompositeView::handleEvent(event);
}

void BoxView::handleMouse(MouseEvent& event) {
    if (!containsPoint(event.point) && !isHovered()) return;
    if (!isVisible()) return;
    if (isDisabled() && !isHovered()) return;
    if (!(event.buttons & kSkipChildren)) dispatchMouseToChildren(event);
    runMouseSteps(event);
}

Edges BoxView::readEdges(int32_t all, int32_t left, int32_t top, int32_t right, int32_t bottom) const {
    const int shared = scaleInt(styleInt(all, 0));
    auto side = [&](int32_t id) {
        const StyleValue* value = lookupStyle(id);
        return value ? scaleInt(value->toInt()) : shared;
    };
    return {side(left), side(top), side(right), side(bottom)};
}

Edges BoxView::getBorderWidths() const {
    return readEdges(StyleId::BorderWidth, StyleId::BorderLeftWidth, StyleId::BorderTopWidth,
                     StyleId::BorderRightWidth, StyleId::BorderBottomWidth);
}

Edges BoxView::getMargins() const {
    return readEdges(StyleId::Margin, StyleId::MarginLeft, StyleId::MarginTop, StyleId::MarginRight,
                     StyleId::MarginBottom);
}

Edges BoxView::getPaddings() const {
    return readEdges(StyleId::Padding, StyleId::PaddingLeft, StyleId::PaddingTop, StyleId::PaddingRight,
                     StyleId::PaddingBottom);
}

Edges BoxView::getInsets() const {
    const Edges b = getBorderWidths();
    const Edges m = getMargins();
    const Edges p = getPaddings();
    return {b.left + m.left + p.left, b.top + m.top + p.top, b.right + m.right + p.right,
            b.bottom + m.bottom + p.bottom};
}

Rect BoxView::contentRectOf(const Rect& outer) const {
    const Edges e = getInsets();
    return {outer.left + e.left, outer.top + e.top, outer.right - e.right, outer.bottom - e.bottom};
}

Rect BoxView::outerRectOf(const Rect& content) const {
    const Edges e = getInsets();
    return {content.left - e.left, content.top - e.top, content.right + e.right, content.bottom + e.bottom};
}

Size BoxView::contentSizeOf(Size outer) const {
    const Rect r = contentRectOf({0, 0, outer.width, outer.height});
    return {r.width(), r.height()};
}

Size BoxView::outerSizeOf(Size content) const {
    const Rect r = outerRectOf({0, 0, content.width, content.height});
    return {r.width(), r.height()};
}

Size BoxView::getContentSize() const {
    const Rect r = getContentRect();
    return {r.width(), r.height()};
}

void BoxView::setContentSize(int width, int height) {
    const Edges e = getInsets();
    setSize(width + e.horizontal(), height + e.vertical());
}

Rect BoxView::getBorderBox() const {
    const Edges m = getMargins();
    return {rect_.left + m.left, rect_.top + m.top, rect_.right - m.right, rect_.bottom - m.bottom};
}

}  // namespace xhtml
