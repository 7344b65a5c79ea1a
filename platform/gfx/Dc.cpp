#include "platform/gfx/Dc.h"

#include <cmath>
#include <cstdlib>

#include "platform/gfx/GfxHandles.h"

namespace platform::gfx {

struct Dc::Impl {
    CairoPtr cr;
    SurfacePtr surface;  // only for image targets
    int width = 0;
    int height = 0;
};

namespace {

void setColor(cairo_t* cr, Color c) {
    cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

void addStop(cairo_pattern_t* p, double offset, Color c) {
    cairo_pattern_add_color_stop_rgba(p, offset, c.red / 255.0, c.green / 255.0, c.blue / 255.0,
                                      c.alpha / 255.0);
}

// Lengths of the on and off runs of a one-pixel cosmetic pen.
struct Rhythm {
    int on;
    int off;
};
Rhythm rhythmOf(PenStyle style) {
    switch (style) {
        case PenStyle::Dot:
            return {3, 3};
        case PenStyle::Dash:
            return {18, 6};
        case PenStyle::Solid:
            break;
    }
    return {0, 0};
}

}  // namespace

Dc::Dc() : impl_(std::make_unique<Impl>()) {}
Dc::~Dc() = default;

std::unique_ptr<Dc> Dc::createImage(int width, int height) {
    std::unique_ptr<Dc> dc(new Dc());
    dc->impl_->width = std::max(0, width);
    dc->impl_->height = std::max(0, height);
    dc->impl_->surface.reset(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, dc->impl_->width, dc->impl_->height));
    if (cairo_surface_status(dc->impl_->surface.get()) != CAIRO_STATUS_SUCCESS) {
        // Too large for an image: drawing goes nowhere, pixel() and
        // writePng() report nothing.
        dc->impl_->width = dc->impl_->height = 0;
    }
    dc->impl_->cr.reset(cairo_create(dc->impl_->surface.get()));
    cairo_set_antialias(dc->impl_->cr.get(), CAIRO_ANTIALIAS_NONE);
    return dc;
}

std::unique_ptr<Dc> Dc::wrap(_cairo* cr) {
    std::unique_ptr<Dc> dc(new Dc());
    dc->impl_->cr.reset(cairo_reference(cr));
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    return dc;
}

int Dc::width() const { return impl_->width; }
int Dc::height() const { return impl_->height; }
_cairo* Dc::cairo() const { return impl_->cr.get(); }

void Dc::translate(int dx, int dy) { cairo_translate(impl_->cr.get(), dx, dy); }

void Dc::fillRect(const Rect& r, Color c) {
    if (r.isEmpty() || c.isInvisible()) return;
    cairo_t* cr = impl_->cr.get();
    setColor(cr, c);
    cairo_rectangle(cr, r.left, r.top, r.width(), r.height());
    cairo_fill(cr);
}

void Dc::fillPolygon(const std::vector<Point>& points, Color c) {
    if (points.size() < 3 || c.isInvisible()) return;
    cairo_t* cr = impl_->cr.get();
    setColor(cr, c);
    cairo_move_to(cr, points[0].x, points[0].y);
    for (size_t i = 1; i < points.size(); ++i) cairo_line_to(cr, points[i].x, points[i].y);
    cairo_close_path(cr);
    cairo_fill(cr);
}

void Dc::line(Point from, Point to, Color c, PenStyle style) {
    if (c.isInvisible() || from == to) return;
    cairo_t* cr = impl_->cr.get();
    setColor(cr, c);
    Rhythm rhythm = rhythmOf(style);
    if (from.x == to.x || from.y == to.y) {
        bool horizontal = from.y == to.y;
        int length = horizontal ? std::abs(to.x - from.x) : std::abs(to.y - from.y);
        if (rhythm.off == 0) rhythm.on = length;  // solid: one run
        const int period = rhythm.on + rhythm.off;
        int step = horizontal ? (to.x > from.x ? 1 : -1) : (to.y > from.y ? 1 : -1);
        // Only the runs inside the clip are drawn (a border may be millions of
        // pixels long); the rhythm still counts from `from`.
        const Rect clip = clipBox();
        const int across = horizontal ? from.y : from.x;
        if (across < (horizontal ? clip.top : clip.left) || across >= (horizontal ? clip.bottom : clip.right))
            return;
        const int64_t start = horizontal ? from.x : from.y;
        const int64_t low = horizontal ? clip.left : clip.top;
        const int64_t high = horizontal ? clip.right : clip.bottom;
        const int64_t first = std::max<int64_t>(0, step > 0 ? low - start : start - high + 1);
        const int64_t last = std::min<int64_t>(length, step > 0 ? high - start : start - low + 1);
        if (first >= last) return;
        // Runs of lit pixels along the line, the end point itself excluded.
        for (int i = static_cast<int>(first - first % period); i < last; i += period) {
            int run = std::min(rhythm.on, length - i);
            int a = i, b = i + run - 1;  // pixel offsets from `from`
            int lo = std::min(a * step, b * step), hi = std::max(a * step, b * step);
            if (horizontal)
                cairo_rectangle(cr, from.x + lo, from.y, hi - lo + 1, 1);
            else
                cairo_rectangle(cr, from.x, from.y + lo, 1, hi - lo + 1);
        }
        cairo_fill(cr);
        return;
    }
    cairo_save(cr);
    cairo_set_line_width(cr, 1.0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    if (rhythm.off > 0) {
        double dashes[2] = {static_cast<double>(rhythm.on), static_cast<double>(rhythm.off)};
        cairo_set_dash(cr, dashes, 2, 0);
    }
    cairo_move_to(cr, from.x + 0.5, from.y + 0.5);
    cairo_line_to(cr, to.x + 0.5, to.y + 0.5);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void Dc::fillGradient(const Rect& r, Color start, Color end, GradientMode mode) {
    if (r.isEmpty()) return;
    // The gradient is laid out in a unit square stretched over r, so the
    // diagonal modes run corner to corner whatever the aspect ratio.
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    switch (mode) {
        case GradientMode::Horizontal:
            x1 = 1;
            break;
        case GradientMode::Vertical:
            y1 = 1;
            break;
        case GradientMode::ForwardDiagonal:
            x1 = 1;
            y1 = 1;
            break;
        case GradientMode::BackwardDiagonal:
            x0 = 1;
            y1 = 1;
            break;
    }
    PatternPtr pattern(cairo_pattern_create_linear(x0, y0, x1, y1));
    addStop(pattern.get(), 0, start);
    addStop(pattern.get(), 1, end);
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, 1.0 / r.width(), 1.0 / r.height());
    cairo_matrix_translate(&m, -r.left, -r.top);
    cairo_pattern_set_matrix(pattern.get(), &m);
    cairo_t* cr = impl_->cr.get();
    cairo_set_source(cr, pattern.get());
    cairo_rectangle(cr, r.left, r.top, r.width(), r.height());
    cairo_fill(cr);
}

void Dc::textOut(int x, int y, std::u16string_view text, const Font& font, Color color,
                 Color background) {
    if (text.empty()) return;
    cairo_t* cr = impl_->cr.get();
    if (!background.isInvisible()) {
        TextExtents e = font.measure(text);
        fillRect({x, y, x + e.width, y + e.height}, background);
    }
    if (color.isInvisible()) return;
    const Font::Impl::Shaped& shaped = font.impl().shape(text);
    setColor(cr, color);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, shaped.layout.get());
    cairo_new_path(cr);
}

TextExtents Dc::textExtents(std::u16string_view text, const Font& font) const {
    return font.measure(text);
}

void Dc::drawImage(const Image& image, int frame, const Rect& dst) {
    if (dst.isEmpty() || image.width() <= 0 || image.height() <= 0 || frame < 0 ||
        frame >= image.frameCount())
        return;
    cairo_t* cr = impl_->cr.get();
    PatternPtr pattern(cairo_pattern_create_for_surface(image.frame(frame).surface.get()));
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, static_cast<double>(image.width()) / dst.width(),
                            static_cast<double>(image.height()) / dst.height());
    cairo_matrix_translate(&m, -dst.left, -dst.top);
    cairo_pattern_set_matrix(pattern.get(), &m);
    bool sameSize = dst.width() == image.width() && dst.height() == image.height();
    cairo_pattern_set_filter(pattern.get(), sameSize ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_PAD);
    cairo_set_source(cr, pattern.get());
    cairo_rectangle(cr, dst.left, dst.top, dst.width(), dst.height());
    cairo_fill(cr);
}

void Dc::tileImage(const Image& image, int frame, const Rect& area, Point origin, int tileWidth,
                   int tileHeight) {
    if (area.isEmpty() || tileWidth <= 0 || tileHeight <= 0 || image.width() <= 0 ||
        image.height() <= 0 || frame < 0 || frame >= image.frameCount())
        return;
    cairo_t* cr = impl_->cr.get();
    PatternPtr pattern(cairo_pattern_create_for_surface(image.frame(frame).surface.get()));
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, static_cast<double>(image.width()) / tileWidth,
                            static_cast<double>(image.height()) / tileHeight);
    cairo_matrix_translate(&m, -origin.x, -origin.y);
    cairo_pattern_set_matrix(pattern.get(), &m);
    bool sameSize = tileWidth == image.width() && tileHeight == image.height();
    cairo_pattern_set_filter(pattern.get(), sameSize ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_REPEAT);
    cairo_set_source(cr, pattern.get());
    cairo_rectangle(cr, area.left, area.top, area.width(), area.height());
    cairo_fill(cr);
}

void Dc::beginLayer() { cairo_push_group(impl_->cr.get()); }

void Dc::endLayer(double opacity) {
    cairo_t* cr = impl_->cr.get();
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, std::clamp(opacity, 0.0, 1.0));
    cairo_set_source_rgb(cr, 0, 0, 0);
}

void Dc::intersectClip(const Rect& r) {
    cairo_t* cr = impl_->cr.get();
    cairo_rectangle(cr, r.left, r.top, std::max(0, r.width()), std::max(0, r.height()));
    cairo_clip(cr);
}

Rect Dc::clipBox() const {
    double x1, y1, x2, y2;
    cairo_clip_extents(impl_->cr.get(), &x1, &y1, &x2, &y2);
    Rect r{static_cast<int>(std::floor(x1)), static_cast<int>(std::floor(y1)),
           static_cast<int>(std::ceil(x2)), static_cast<int>(std::ceil(y2))};
    return r.isEmpty() ? Rect{} : r;
}

void Dc::save() { cairo_save(impl_->cr.get()); }
void Dc::restore() { cairo_restore(impl_->cr.get()); }

Dc::SaveScope::SaveScope(Dc& dc) : dc_(dc) { dc_.save(); }
Dc::SaveScope::~SaveScope() { dc_.restore(); }

Color Dc::pixel(int x, int y) const {
    cairo_surface_t* s = impl_->surface.get();
    if (!s || x < 0 || y < 0 || x >= impl_->width || y >= impl_->height) return {0, 0, 0, 0};
    return surfacePixel(s, x, y);
}

bool Dc::writePng(const std::string& path) const {
    if (!impl_->surface || impl_->width == 0 || impl_->height == 0) return false;
    cairo_surface_flush(impl_->surface.get());
    return cairo_surface_write_to_png(impl_->surface.get(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

std::unique_ptr<Image> Dc::snapshot() const {
    if (!impl_->surface) return nullptr;
    std::unique_ptr<Image> image = Image::create(impl_->width, impl_->height);
    CairoPtr copy(cairo_create(image->frames_.front()->surface.get()));
    cairo_set_source_surface(copy.get(), impl_->surface.get(), 0, 0);
    cairo_set_operator(copy.get(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(copy.get());
    cairo_surface_flush(image->frames_.front()->surface.get());
    return image;
}

}  // namespace platform::gfx
