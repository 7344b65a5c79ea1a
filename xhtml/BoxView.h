#pragma once

#include <map>
#include <tuple>

#include "xhtml/CompositeView.h"

namespace xhtml {

// Four integers for the sides of a box, in device pixels.
struct Edges {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int horizontal() const { return left + right; }
    int vertical() const { return top + bottom; }
    friend constexpr bool operator==(const Edges&, const Edges&) = default;
};

// An element with a box: margins, borders and padding around its content.
// rect() is the margin box. Side properties (margin-left …) override the
// shorthand (margin) whatever their order in the style text.
//
// For the layout code: the measurement cache, the cached available width,
// the attached flag and the two remembered rectangles are plain state here;
// the layouter owns their meaning and invalidation (relayoutNeeded clears the
// attached flag and both rectangles, and empties the cache).
class BoxView : public CompositeView {
public:
    explicit BoxView(ViewContext* context, int32_t type = kBoxView);

    void setPosition(int x, int y) override;
    void offsetBy(int dx, int dy) override;
    bool containsPoint(Point point) const override;
    void handleEvent(ViewEvent& event) override;
    void handleMouse(MouseEvent& event) override;
    void relayoutNeeded() override;

    virtual Edges getBorderWidths() const;
    virtual Edges getMargins() const;
    virtual Edges getPaddings() const;
    // Border + margin + padding per side.
    Edges getInsets() const;
    // Each side moved inward / outward by border + margin + padding.
    Rect contentRectOf(const Rect& outer) const;
    Rect outerRectOf(const Rect& content) const;
    Size contentSizeOf(Size outer) const;
    Size outerSizeOf(Size content) const;
    Rect getContentRect() const { return contentRectOf(rect_); }
    Size getContentSize() const;
    void setContentSize(int width, int height);
    // rect() shrunk by the margins: painting and hit testing.
    Rect getBorderBox() const;
    // CSS positioning (position, top, left …); the layout code fills it in.
    virtual void applyPosition() {}

    // --- layout state (see the class comment)
    struct MeasureKey {
        int32_t state;
        int availableWidth;
        int availableHeight;
        friend auto operator<=>(const MeasureKey&, const MeasureKey&) = default;
    };
    std::map<MeasureKey, Size>& measureCache() { return measureCache_; }
    int cachedAvailableWidth() const { return cachedAvailableWidth_; }
    void setCachedAvailableWidth(int width) { cachedAvailableWidth_ = width; }
    bool attached() const { return attached_; }
    void setAttached(bool attached) { attached_ = attached; }
    bool moved() const { return moved_; }
    void setMoved(bool moved) { moved_ = moved; }
    const Rect& lastContentRect() const { return lastContentRect_; }
    void setLastContentRect(const Rect& r) { lastContentRect_ = r; }
    const Rect& childrenRect() const { return childrenRect_; }
    void setChildrenRect(const Rect& r) { childrenRect_ = r; }
    static constexpr Rect kInvalidRect{-1, -1, -1, -1};

protected:
    // The value of `all` for every side, then each side's own property.
    Edges readEdges(int32_t all, int32_t left, int32_t top, int32_t right, int32_t bottom) const;

private:
    std::map<MeasureKey, Size> measureCache_;
    int cachedAvailableWidth_ = -1;
    bool attached_ = false;
    bool moved_ = false;
    Rect lastContentRect_ = kInvalidRect;
    Rect childrenRect_ = kInvalidRect;
};

// div and the other block elements.
class BlockView : public BoxView {
public:
    explicit BlockView(ViewContext* context, int32_t type = kBlockView) : BoxView(context, type) {}
};

class ParagraphView : public BlockView {
public:
    explicit ParagraphView(ViewContext* context) : BlockView(context, kParagraphView) {}
};

class CenterView : public BlockView {
public:
    explicit CenterView(ViewContext* context) : BlockView(context, kCenterView) {}
};

class HRView : public BlockView {
public:
    explicit HRView(ViewContext* context) : BlockView(context, kHRView) {}
    bool acceptsChildren() const override { return false; }
};

class BodyView : public BlockView {
public:
    explicit BodyView(ViewContext* context) : BlockView(context, kBodyView) {}
};

// img: its source URL is property 8; the image comes from the context's cache.
class ImageView : public BoxView {
public:
    explicit ImageView(ViewContext* context) : BoxView(context, kImageView) {}
    bool acceptsChildren() const override { return false; }

    // The animation frame to paint; the animator advances it.
    int frame() const { return frame_; }
    void setFrame(int frame) { frame_ = frame; }

private:
    int frame_ = 0;
};

class TableView : public BoxView {
public:
    explicit TableView(ViewContext* context) : BoxView(context, kTableView) {}
};

class CellView : public BoxView {
public:
    explicit CellView(ViewContext* context) : BoxView(context, kCellView) {}
};

}  // namespace xhtml
