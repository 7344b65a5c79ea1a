#pragma once

#include <memory>
#include <vector>

#include "xhtml/View.h"

namespace xhtml {

// A view with owned children; every child's parent points back here.
class CompositeView : public View {
public:
    explicit CompositeView(ViewContext* context, int32_t type = kCompositeView);
    ~CompositeView() override;

    View* convertTo(int32_t newType) override;
    bool acceptsChildren() const override { return true; }
    void offsetBy(int dx, int dy) override;
    bool containsPoint(Point point) const override;
    void handleEvent(ViewEvent& event) override;
    // Children first, then the view itself: boxes inside inline elements and
    // table rows hear the pointer too.
    void handleMouse(MouseEvent& event) override;
    void styleChanged(View* view, int32_t id, int32_t state) override;
    bool forEachInTree(const std::function<bool(View*)>& visit) override;
    // Children in order; see Layouter and the painting code.
    void layout(Layouter& layouter) override;
    void paint(platform::gfx::Dc& dc, const Rect& clip) override;

    virtual void appendChild(View* child);
    void appendChild(std::unique_ptr<View> child) { appendChild(child.release()); }
    virtual void adoptChildren(CompositeView* other);
    virtual void insertChild(View* child, int index);
    virtual void removeAllChildren();
    virtual bool removeChild(View* child);
    virtual int childCount() const { return static_cast<int>(children_.size()); }
    virtual View* childAt(int index) const { return children_[static_cast<size_t>(index)].get(); }
    virtual void layoutInRect(const Rect& rect, Rect& used);
    virtual void dispatchMouseToChildren(MouseEvent& event);
    virtual void setText(const ZString& text);
    virtual void setInnerMarkup(const ZString& markup);
    virtual void setHiddenByClass(const ZString& name, bool hide);

    // Takes the child out of the list without deleting it (null if not ours).
    std::unique_ptr<View> detachChild(View* child);
    int indexOf(const View* child) const;

protected:
    // Moves styles and children into `target`, which takes this view's place
    // in the parent; this view is deleted by the parent. Returns target.
    View* replaceWith(std::unique_ptr<CompositeView> target);

    std::vector<std::unique_ptr<View>> children_;
};

// span, font, b, i, nowrap and other inline elements.
class InlineView : public CompositeView {
public:
    explicit InlineView(ViewContext* context, int32_t type = kInlineView) : CompositeView(context, type) {}
    void layout(Layouter& layouter) override;
};

// a: its href is property 7.
class LinkView : public InlineView {
public:
    explicit LinkView(ViewContext* context) : InlineView(context, kLinkView) {}
};

// A table row (tr).
class RowView : public CompositeView {
public:
    explicit RowView(ViewContext* context) : CompositeView(context, kRowView) {}
};

}  // namespace xhtml
