// Layout of boxes: sizing from styles, laying out children through a
// layouter, measuring, CSS positioning and incremental re-layout.
#include <algorithm>
#include <cmath>
#include <cwchar>

#include "xhtml/BoxView.h"
#include "xhtml/CalcSizeLayouter.h"
#include "xhtml/FrameView.h"
#include "xhtml/NormalLayouter.h"
#include "xhtml/StyleTables.h"

namespace xhtml {

namespace {

// A length in 96-dpi units or a percentage of `reference`, in doubles.
double lengthOf(const View& view, const StyleValue& value, double reference) {
    if (value.isPercent()) return value.toDouble() * reference / 100.0;
    return value.toDouble() * view.dpiScale();
}

// Lengths far beyond any screen are cut down before they become integers.
int clampedPixels(double value) { return static_cast<int>(std::clamp(value, -1e8, 1e8)); }

// Boxes laid out again because their content did not fit, one inside the
// other. Each such level would double the work below it (2^depth layouts
// for a document that overflows at every level: the largest lengths, or
// percentages above 100 nested deep), so inside a box that is laid out
// again the boxes keep their first result and their content overflows.
constexpr int kMaxWidening = 1;
int wideningDepth = 0;

// line-spacing: text is read as a number with a base prefix, a bool as 0
// or 1, a double truncated.
int lineSpacingOf(const StyleValue& value) {
    if (value.kind() == StyleValue::String) {
        std::u16string text(value.asString().view());
        std::wstring wide(text.begin(), text.end());
        return static_cast<int>(std::wcstol(wide.c_str(), nullptr, 0));
    }
    if (value.kind() == StyleValue::Bool) return value.asBool() ? 1 : 0;
    return value.toInt();
}

}  // namespace

LayoutCounters& layoutCounters() {
    static LayoutCounters counters;
    return counters;
}

Size BoxView::computeSize(int availableWidth, int availableHeight, int widthHint,
                          int heightHint) const {
    double width = widthHint;
    double height = heightHint;
    const StyleValue* display = lookupStyle(StyleId::Display);
    const int32_t d = display ? display->toInt() : kDisplayDefault;
    if (d == kDisplayBlock || (type_ == kBlockView && d == kDisplayDefault)) width = availableWidth;
    if (const StyleValue* v = lookupStyle(StyleId::Width))
        width = lengthOf(*this, *v, availableWidth);
    if (const StyleValue* v = lookupStyle(StyleId::Height))
        height = lengthOf(*this, *v, availableHeight);
    if (const StyleValue* v = lookupStyle(StyleId::MinWidth))
        width = std::max(width, lengthOf(*this, *v, availableWidth));
    if (const StyleValue* v = lookupStyle(StyleId::MinHeight))
        height = std::max(height, lengthOf(*this, *v, availableHeight));
    return {clampedPixels(width), clampedPixels(height)};
}

void BoxView::layout(Layouter& layouter) { layoutBox(layouter, 0, 0); }

void BoxView::layoutBox(Layouter& layouter, int widthHint, int heightHint) {
    const Size size = computeSize(layouter.getWidth(), layouter.getHeight(), widthHint, heightHint);
    const Rect outer{rect_.left, rect_.top, rect_.left + size.width, rect_.top + size.height};
    const Rect content = contentRectOf(outer);
    Rect used = layoutChildren(content, layouter.getMode());
    // Content that did not fit (a long word, a wide child) gets the room it took.
    if (used.width() > content.width() && wideningDepth < kMaxWidening) {
        ++wideningDepth;
        used = layoutChildren(used, layouter.getMode());
        --wideningDepth;
    }
    const Rect usedOuter = outerRectOf(used);
    const StyleValue* overflowX = lookupStyle(StyleId::OverflowX);
    const StyleValue* overflowY = lookupStyle(StyleId::OverflowY);
    int width = outer.width();
    int height = outer.height();
    if (!overflowX || overflowX->toInt() == 0) width = std::max(width, usedOuter.width());
    if (!overflowY || overflowY->toInt() == 0) height = std::max(height, usedOuter.height());
    setSize(width, height);
    const int32_t position = styleInt(StyleId::Position, kPositionStatic);
    if (position != kPositionFixed && position != kPositionAbsolute) layouter.add(this);
}

Rect BoxView::layoutChildren(const Rect& content, int32_t mode) {
    const bool normal = mode == Layouter::kNormal;
    if (normal && content == lastContentRect_) return childrenRect_;
    if (children_.empty()) {
        lastOuterSize_ = outerSizeOf({0, 0});
        return {content.left, content.top, content.left, content.top};
    }
    const int32_t state = getStyleState();
    const MeasureKey key{state, content.width(), content.height()};
    if (!measureCache_.empty() && !normal) {
        auto hit = measureCache_.find(key);
        if (hit != measureCache_.end())
            return {content.left, content.top, content.left + hit->second.width,
                    content.top + hit->second.height};
    }
    normal ? ++layoutCounters().boxesLaidOut : ++layoutCounters().boxesMeasured;
    std::unique_ptr<Layouter> layouter;
    if (normal)
        layouter = std::make_unique<NormalLayouter>(content);
    else
        layouter = std::make_unique<CalcSizeLayouter>(content);
    if (const StyleValue* v = lookupInheritedStyle(StyleId::TextAlign))
        layouter->setTextAlign(v->toInt());
    if (const StyleValue* v = lookupInheritedStyle(StyleId::VerticalAlignLine))
        layouter->setVAlignLine(v->toInt());
    if (const StyleValue* v = lookupInheritedStyle(StyleId::VerticalAlignContent))
        layouter->setVAlignContent(v->toInt());
    if (const StyleValue* v = lookupInheritedStyle(StyleId::LineSpacing))
        layouter->setLineSpacing(scaleInt(lineSpacingOf(*v)));
    CompositeView::layout(*layouter);
    layouter->finish();
    const Rect used = layouter->getUsedRect();
    if (normal) {
        lastContentRect_ = content;
        childrenRect_ = used;
        lastOuterSize_ = outerSizeOf({used.width(), used.height()});
    } else {
        lastContentRect_ = kInvalidRect;
        childrenRect_ = kInvalidRect;
        lastOuterSize_ = {-1, -1};
    }
    measureCache_[key] = {used.width(), used.height()};
    return used;
}

Size BoxView::measureContent(int availableWidth) {
    const Rect content = contentRectOf({0, 0, availableWidth, 0});
    const Rect used = layoutChildren(content, Layouter::kMeasuring);
    return {used.width(), used.height()};
}

Size BoxView::measureFull(int availableWidth, int availableHeight) {
    const Size fixed = computeSize(availableWidth, availableHeight, 0, 0);
    const Size content = outerSizeOf(measureContent(availableWidth));
    return {std::max(fixed.width, content.width), std::max(fixed.height, content.height)};
}

void BoxView::layoutInRect(const Rect& r, Rect& used) {
    // Place the box first so the children are laid out where they end up.
    rect_ = {r.left, r.top, r.left + rect_.width(), r.top + rect_.height()};
    used = layoutChildren(contentRectOf(r), Layouter::kNormal);
    const Rect usedOuter = outerRectOf(used);
    setSize(std::max(usedOuter.width(), r.width()), std::max(usedOuter.height(), r.height()));
    setPosition(r.left, r.top);
}

void BoxView::applyPosition() {
    const int32_t position = styleInt(StyleId::Position, kPositionStatic);
    const StyleValue* left = lookupStyle(StyleId::Left);
    const StyleValue* top = lookupStyle(StyleId::Top);
    const StyleValue* right = lookupStyle(StyleId::Right);
    const StyleValue* bottom = lookupStyle(StyleId::Bottom);
    auto offset = [this](const StyleValue* v) { return v ? scaleInt(v->toInt()) : 0; };
    if (position == kPositionRelative) {
        if (moved()) return;
        offsetBy(offset(left), offset(top));
        setMoved(true);
    } else if (position == kPositionFixed) {
        // Measured from the frame window's client area where the document
        // scrolls now; a frame without a window measures from its rectangle.
        FrameView* frame = getFrame(false);
        const bool windowed = frame && frame->windowHandle();
        const Rect area = frame ? frame->viewportRect() : Rect{};
        int x = (windowed ? area.left : 0) + offset(left);
        int y = top ? (windowed ? area.top : 0) + offset(top) : rect_.top;
        if (frame && right) x = area.right - offset(right) - rect_.width();
        if (frame && bottom) y = area.bottom - offset(bottom) - rect_.height();
        offsetBy(x - rect_.left, y - rect_.top);
    } else if (position == kPositionAbsolute) {
        View* container = parent();
        while (container && container->parent() && container->styleInt(StyleId::Position, kPositionStatic) == kPositionStatic)
            container = container->parent();
        if (!container || !container->hasStyle(StyleId::BoxMarker)) return;
        const Rect area = static_cast<BoxView*>(container)->getContentRect();
        int x = area.left;
        int y = area.top;
        if (right) x = area.right - offset(right) - rect_.width();
        if (bottom) y = area.bottom - offset(bottom) - rect_.height();
        x += offset(left);
        y += offset(top);
        offsetBy(x - rect_.left, y - rect_.top);
    }
}

void BoxView::relayoutNeeded() {
    if (!attached()) return;
    measureCache_.clear();
    setCachedAvailableWidth(-1);
    setAttached(false);
    lastContentRect_ = kInvalidRect;
    childrenRect_ = kInvalidRect;
    lastOuterSize_ = {-1, -1};
    const Size current = getSize();
    if (measureFull(current.width, 0) == current) {
        // Same size: only this box changes, nothing around it moves.
        layoutChildren(getContentRect(), Layouter::kNormal);
        ViewEvent attach;
        attach.type = ViewEvent::kAttach;
        handleEvent(attach);
        invalidate();
        return;
    }
    if (parent_) parent_->relayoutNeeded();
}

void BlockView::layout(Layouter& layouter) {
    const StyleValue* display = lookupStyle(StyleId::Display);
    const int32_t d = display ? display->toInt() : kDisplayDefault;
    const bool block = d == kDisplayDefault || d == kDisplayBlock;
    if (block) layouter.ensureNewLine();
    layoutBox(layouter, d == kDisplayInlineBlock ? 0 : layouter.getWidth(), 0);
    if (block) layouter.ensureNewLine();
}

void HRView::layout(Layouter& layouter) {
    const int32_t previous =
        layouter.setTextAlign(styleInt(StyleId::TextAlign, Layouter::kAlignCenter));
    BlockView::layout(layouter);
    layouter.newLine(scaleInt(5));
    layouter.setTextAlign(previous);
}

}  // namespace xhtml
