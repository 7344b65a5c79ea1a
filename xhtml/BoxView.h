#pragma once

#include <map>
#include <tuple>

#include "xhtml/CompositeView.h"

namespace platform::gfx {
class Image;
}  // namespace platform::gfx

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
    // CSS positioning (position, top, left …), run on attach and on scroll.
    virtual void applyPosition();

    // --- layout (BoxLayout.cpp)
    void layout(Layouter& layouter) override;
    void layoutInRect(const Rect& rect, Rect& used) override;
    // Size from width/height/min-width/min-height against the available room.
    Size computeSize(int availableWidth, int availableHeight, int widthHint, int heightHint) const;
    // Sizes the box, lays out its children inside it and adds it to `layouter`.
    void layoutBox(Layouter& layouter, int widthHint, int heightHint);
    // Runs a layouter of `mode` over the children in `content`; returns the
    // rectangle they occupy. Results are cached per state and size.
    Rect layoutChildren(const Rect& content, int32_t mode);
    // Preferred size without placing anything.
    Size measure(int availableWidth) { return measureFull(availableWidth, 0); }
    Size measureFull(int availableWidth, int availableHeight);
    Size measureContent(int availableWidth);

    // --- painting (BoxPaint.cpp)
    void paint(platform::gfx::Dc& dc, const Rect& clip) override;
    bool intersectsClip(const Rect& clip, Rect* borderBox = nullptr) const;
    void paintBackgroundImage(platform::gfx::Dc& dc, const Rect& r, const platform::gfx::Image& image);
    void paintBackground(platform::gfx::Dc& dc, const Rect& r);
    void paintBorders(platform::gfx::Dc& dc, const Rect& borderBox);
    void paintBox(platform::gfx::Dc& dc, const Rect& clip);
    virtual void paintContent(platform::gfx::Dc& dc, const Rect& clip);
    // One border side of `width` one-pixel lines from `from` to `to`
    // (0 left, 1 top, 2 right, 3 bottom), corners mitred.
    void paintBorderSide(platform::gfx::Dc& dc, Point from, Point to, int width, int32_t style, Color color,
                         int side);

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
    // Outer size of what the children took in the last placing layout
    // ({-1, -1} when unknown); a frame sizes its window to its body by it.
    Size lastOuterSize() const { return lastOuterSize_; }
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
    Size lastOuterSize_{-1, -1};
};

// div and the other block elements.
class BlockView : public BoxView {
public:
    explicit BlockView(ViewContext* context, int32_t type = kBlockView) : BoxView(context, type) {}
    void layout(Layouter& layouter) override;
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
    void layout(Layouter& layouter) override;
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

    // The animation frame to paint; the frame timer advances it.
    int frame() const { return frame_; }
    void setFrame(int frame) { frame_ = frame; }
    // The decoded picture of the source URL (loaded on first use), or null.
    const platform::gfx::Image* image();
    bool frameTimerRunning() const { return frameTimer_ != 0; }

    void onTimer(uint32_t id) override;
    void layout(Layouter& layouter) override;
    void paintContent(platform::gfx::Dc& dc, const Rect& clip) override;

private:
    int frame_ = 0;
    uint32_t frameTimer_ = 0;
};

class TableView : public BoxView {
public:
    explicit TableView(ViewContext* context) : BoxView(context, kTableView) {}
    // Column widths, row heights and the cell grid (TableLayout.cpp).
    void layout(Layouter& layouter) override;
    void relayoutNeeded() override;
};

class CellView : public BoxView {
public:
    explicit CellView(ViewContext* context) : BoxView(context, kCellView) {}
};

}  // namespace xhtml
