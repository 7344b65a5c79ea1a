// Painting of the laid-out views: boxes (background, gradient, image,
// borders), opacity layers, words with their decorations and images.
#include <algorithm>
#include <array>

#include "platform/gfx/Dc.h"
#include "xhtml/BoxView.h"
#include "xhtml/ImageCache.h"
#include "xhtml/StyleTables.h"
#include "xhtml/ViewContext.h"
#include "xhtml/WordView.h"

namespace xhtml {

namespace gfx = platform::gfx;

namespace {

bool isInvisible(Color c) { return (c >> 24) == 0xFF; }

// Solid fills use the colour as it is; the top byte only says whether the
// colour exists.
gfx::Color solid(Color c) { return gfx::Color::rgb(colorRed(c), colorGreen(c), colorBlue(c)); }

// Gradients honour the top byte as a transparency.
gfx::Color translucent(Color c) { return gfx::Color::fromColorRef(c); }

gfx::GradientMode gradientMode(int32_t direction) {
    switch (direction) {
        case 0:
            return gfx::GradientMode::Horizontal;
        case 2:
            return gfx::GradientMode::ForwardDiagonal;
        case 3:
            return gfx::GradientMode::BackwardDiagonal;
        default:
            return gfx::GradientMode::Vertical;
    }
}

// Shift of a tile along one axis for background-position. Numbers move the
// tile by pixels or by a percentage of the free room; the keywords right,
// bottom and center are stored as small whole numbers.
struct TileSpan {
    int start;
    int end;
};
TileSpan positionTile(const StyleValue* value, int areaStart, int areaEnd, int tile,
                      int32_t farKeyword) {
    TileSpan span{areaStart, areaStart + tile};
    if (!value) return span;
    const int room = (areaEnd - areaStart) - tile;
    const bool keyword = value->kind() == StyleValue::Int && !value->isPercent() &&
                         (value->asInt() == farKeyword || value->asInt() == kBackgroundCenter);
    if (keyword && value->asInt() == kBackgroundCenter)
        return {span.start + room / 2, span.end + room / 2};
    if (keyword) return {areaEnd - tile, areaEnd};
    if (value->kind() == StyleValue::Int || value->kind() == StyleValue::Double) {
        const double pixels = value->isPercent() ? value->toDouble() * room / 100.0 : value->toDouble();
        const int shift = static_cast<int>(std::clamp(pixels, double(-kMaxExtent), double(kMaxExtent)));
        return {span.start + shift, span.end + shift};
    }
    return span;
}

// Views whose rectangle holds everything they paint: words and every box.
// Inline containers and rows have no rectangle of their own.
bool hasOwnRectangle(int32_t type) {
    switch (type) {
        case kViewPlain:
        case kBreakView:
        case kCompositeView:
        case kInlineView:
        case kTextView:
        case kLinkView:
        case kRowView:
        case kHiddenInputView:
            return false;
        default:
            return true;
    }
}

struct BorderSide {
    int width = 0;
    int32_t style = 0;
    Color color = 0;
};

}  // namespace

bool BoxView::intersectsClip(const Rect& clip, Rect* borderBox) const {
    const Rect box = getBorderBox();
    if (borderBox) *borderBox = box;
    return box.touches(clip);
}

void BoxView::paint(gfx::Dc& dc, const Rect& clip) {
    Rect box;
    if (!attached() || !intersectsClip(clip, &box)) return;
    const StyleValue* opacity = lookupStyle(StyleId::Opacity);
    if (opacity && opacity->toDouble() < 1.0) {
        // The box and everything in it are composed apart and blended as one.
        const Rect area = clip.intersect(box);
        if (area.isEmpty()) return;
        gfx::Dc::SaveScope scope(dc);
        dc.intersectClip(area);
        dc.beginLayer();
        paintBox(dc, clip);
        paintContent(dc, clip);
        const int alpha = static_cast<int>(std::max(0.0, opacity->toDouble()) * 255);
        dc.endLayer(alpha / 255.0);
        return;
    }
    paintBox(dc, clip);
    paintContent(dc, clip);
}

void BoxView::paintBox(gfx::Dc& dc, const Rect& clip) {
    Rect box;
    if (!intersectsClip(clip, &box)) return;
    const Edges borders = getBorderWidths();
    paintBackground(dc, {box.left + borders.left, box.top + borders.top, box.right - borders.right,
                         box.bottom - borders.bottom});
    paintBorders(dc, box);
}

void BoxView::paintBackground(gfx::Dc& dc, const Rect& r) {
    if (r.isEmpty()) return;
    const Color color = styleColor(StyleId::BackgroundColor);
    if (!isInvisible(color)) dc.fillRect(r, solid(color));
    if (styleBool(StyleId::GradientOn) && hasStyle(StyleId::GradientStart) &&
        hasStyle(StyleId::GradientEnd) && hasStyle(StyleId::GradientMode)) {
        dc.fillGradient(r, translucent(styleColor(StyleId::GradientStart)),
                        translucent(styleColor(StyleId::GradientEnd)),
                        gradientMode(styleInt(StyleId::GradientMode)));
    }
    const ZString url = styleString(StyleId::BackgroundImage);
    if (url.isEmpty() || !context_) return;
    ImageCache& cache = context_->imageCache();
    ImageCache::Entry* entry = cache.find(url, context_->urlLoader());
    if (!entry) entry = &cache.load(url, context_->urlLoader());
    if (entry->image) paintBackgroundImage(dc, r, *entry->image);
}

void BoxView::paintBackgroundImage(gfx::Dc& dc, const Rect& r, const gfx::Image& image) {
    if (image.width() == 0 || image.height() == 0) return;
    const int w = scaleInt(image.width());
    const int h = scaleInt(image.height());
    const int32_t repeat = styleInt(StyleId::BackgroundRepeat, kRepeat);
    TileSpan x{r.left, r.right};
    TileSpan y{r.top, r.bottom};
    if (repeat == kRepeatNone || repeat == kRepeatY)
        x = positionTile(lookupStyle(StyleId::BackgroundPositionX), r.left, r.right, w,
                         kBackgroundRight);
    if (repeat == kRepeatNone || repeat == kRepeatX)
        y = positionTile(lookupStyle(StyleId::BackgroundPositionY), r.top, r.bottom, h,
                         kBackgroundBottom);
    const Rect area{x.start, y.start, x.end, y.end};
    dc.tileImage(image, 0, area, {x.start, y.start}, w, h);
}

void BoxView::paintBorders(gfx::Dc& dc, const Rect& box) {
    const Edges widths = getBorderWidths();
    std::array<BorderSide, 4> sides;
    sides[0].width = widths.left;
    sides[1].width = widths.top;
    sides[2].width = widths.right;
    sides[3].width = widths.bottom;
    const int32_t allStyle = styleInt(StyleId::BorderStyle, kBorderNone);
    const Color allColor = styleColor(StyleId::BorderColor, 0);
    constexpr int32_t styleIds[4] = {StyleId::BorderLeftStyle, StyleId::BorderTopStyle,
                                     StyleId::BorderRightStyle, StyleId::BorderBottomStyle};
    constexpr int32_t colorIds[4] = {StyleId::BorderLeftColor, StyleId::BorderTopColor,
                                     StyleId::BorderRightColor, StyleId::BorderBottomColor};
    for (size_t i = 0; i < 4; ++i) {
        sides[i].style = styleInt(styleIds[i], allStyle);
        sides[i].color = styleColor(colorIds[i], allColor);
    }
    paintBorderSide(dc, {box.left, box.top}, {box.left, box.bottom}, sides[0].width, sides[0].style,
                    sides[0].color, 0);
    paintBorderSide(dc, {box.left, box.top}, {box.right, box.top}, sides[1].width, sides[1].style,
                    sides[1].color, 1);
    paintBorderSide(dc, {box.right - 1, box.top}, {box.right - 1, box.bottom}, sides[2].width,
                    sides[2].style, sides[2].color, 2);
    paintBorderSide(dc, {box.left, box.bottom - 1}, {box.right, box.bottom - 1}, sides[3].width,
                    sides[3].style, sides[3].color, 3);
}

void BoxView::paintBorderSide(gfx::Dc& dc, Point from, Point to, int width, int32_t style,
                              Color color, int side) {
    if (isInvisible(color) || width < 1) return;
    const gfx::PenStyle pen = style == kBorderDotted   ? gfx::PenStyle::Dot
                              : style == kBorderDashed ? gfx::PenStyle::Dash
                                                       : gfx::PenStyle::Solid;
    const bool vertical = side == 0 || side == 2;
    const int inward = side < 2 ? 1 : -1;
    // Lines step inward one pixel each: the ones past the clip are never seen.
    const Rect clip = dc.clipBox();
    const int clipStart = vertical ? clip.left : clip.top;
    const int clipEnd = vertical ? clip.right : clip.bottom;
    for (int i = 0; i < width; ++i) {
        const int at = vertical ? from.x : from.y;
        if (inward > 0 ? at >= clipEnd : at < clipStart) break;
        if (inward > 0 ? at >= clipStart : at < clipEnd) dc.line(from, to, solid(color), pen);
        // Step inward, and pull both ends toward each other for mitred corners.
        if (vertical) {
            from.x += inward;
            to.x += inward;
            from.y += from.y < to.y ? 1 : -1;
            to.y += to.y > from.y ? -1 : 1;
        } else {
            from.y += inward;
            to.y += inward;
            from.x += from.x < to.x ? 1 : -1;
            to.x += to.x > from.x ? -1 : 1;
        }
    }
}

void BoxView::paintContent(gfx::Dc& dc, const Rect& clip) {
    if (type_ != kIFrameView) return CompositeView::paint(dc, clip);
    // A nested frame is a window of its own: its content shows only inside
    // its borders.
    const Rect box = getBorderBox();
    const Edges borders = getBorderWidths();
    const Rect inside{box.left + borders.left, box.top + borders.top, box.right - borders.right,
                      box.bottom - borders.bottom};
    gfx::Dc::SaveScope scope(dc);
    dc.intersectClip(inside);
    CompositeView::paint(dc, clip.intersect(inside));
}

void CompositeView::paint(gfx::Dc& dc, const Rect& clip) {
    for (const auto& child : children_) {
        // Boxes and words lie inside their rectangle: one comparison skips
        // them outside the clip before any style is looked up.
        if (hasOwnRectangle(child->type()) && !child->rect().touches(clip)) continue;
        if (child->isVisible()) child->paint(dc, clip);
    }
}

void WordView::paint(gfx::Dc& dc, const Rect& clip) {
    if (rect_.isEmpty() || !rect_.touches(clip)) return;
    const auto font = getFont();
    const Color color = inheritedColor(StyleId::Color, 0);
    // A transparent text colour paints neither text nor decorations.
    const bool inkShows = !isInvisible(color);
    const gfx::Color ink = solid(color);
    const StyleValue* background = lookupInheritedStyle(StyleId::TextBackgroundColor);
    const bool backShows = background && background->kind() == StyleValue::Colour &&
                           !isInvisible(background->asColor());
    const gfx::Color back =
        backShows ? solid(background->asColor()) : gfx::Color::rgba(0, 0, 0, 0);
    // A blank has no ink: only its background and decorations show.
    if ((inkShows && !isBlank()) || backShows)
        dc.textOut(rect_.left, rect_.top, text().view(), *font,
                   inkShows ? ink : gfx::Color::rgba(0, 0, 0, 0), back);
    if (!inkShows) return;
    if (inheritedBool(StyleId::Underline)) {
        const int y = rect_.bottom - font->descent() + 1;
        dc.line({rect_.left, y}, {rect_.right, y}, ink);
    }
    if (inheritedBool(StyleId::LineThrough)) {
        const int y = rect_.top + rect_.height() / 2;
        dc.line({rect_.left, y}, {rect_.right, y}, ink);
    }
    if (inheritedBool(StyleId::Overline))
        dc.line({rect_.left, rect_.top}, {rect_.right, rect_.top}, ink);
}

void ImageView::paintContent(gfx::Dc& dc, const Rect& clip) {
    const Rect content = getContentRect();
    if (!content.touches(clip)) return;
    const gfx::Image* picture = image();
    if (!picture || picture->frameCount() == 0) return;
    frame_ = frame_ % picture->frameCount();
    dc.drawImage(*picture, frame_, content);
    if (picture->frameCount() >= 2 && frameTimer_ == 0)
        frameTimer_ = setTimer(static_cast<uint32_t>(std::max(1, picture->frameDelay(frame_))), 0);
}

void ImageView::onTimer(uint32_t id) {
    if (id != 0 && id == frameTimer_) {
        killTimer(id);
        frameTimer_ = 0;
        const gfx::Image* picture = image();
        const int count = picture ? picture->frameCount() : 1;
        frame_ = count > 0 ? (frame_ + 1) % count : 0;
        invalidate();
        return;
    }
    BoxView::onTimer(id);
}

}  // namespace xhtml
