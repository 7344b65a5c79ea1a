#pragma once

#include "xhtml/HtmlView.h"

namespace xhtml {

// A document root hosted in its own window. This is the part the view tree
// needs (type code, scroll modes, repaint requests); the window side comes
// with the frame host.
class FrameView : public HtmlView {
public:
    enum ScrollMode : int32_t { kScrollNever = 0, kScrollAuto = 1, kScrollAlways = 2 };
    enum Axis : int32_t { kVertical = 1, kHorizontal = 2, kBothAxes = 3 };

    explicit FrameView(ViewContext* context, int32_t type = kFrameView) : HtmlView(context, type) {}

    virtual void setScrollMode(int32_t axis, int32_t mode);
    int32_t horizontalScrollMode() const { return horizontalScroll_; }
    int32_t verticalScrollMode() const { return verticalScroll_; }
    // Repaint of a document rectangle; nothing until the frame has a window.
    virtual void invalidateRect(const Rect& r) { (void)r; }
    // A view with a title asks for a tooltip when it is attached.
    virtual void addTooltip(View* view) { (void)view; }

private:
    int32_t horizontalScroll_ = kScrollAuto;
    int32_t verticalScroll_ = kScrollAuto;
};

// A nested scrolling frame: what a box with overflow auto, scroll or hidden
// becomes when the document is built.
class IFrameView : public FrameView {
public:
    explicit IFrameView(ViewContext* context) : FrameView(context, kIFrameView) {}
};

}  // namespace xhtml
