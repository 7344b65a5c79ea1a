#include "platform/gfx/Font.h"

#include <map>
#include <tuple>

#include "platform/gfx/GfxHandles.h"

namespace platform::gfx {

namespace {

// Word measurements repeat a lot (the same words on every line); the cache
// is bounded so a long document cannot grow it without end.
constexpr size_t kMaxCachedTexts = 4096;

cairo_font_options_t* textOptions() {
    // Whole-pixel advances keep measured and painted widths identical and
    // independent of the target surface.
    static cairo_font_options_t* options = [] {
        cairo_font_options_t* o = cairo_font_options_create();
        cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_ON);
        cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_SLIGHT);
        cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
        return o;
    }();
    return options;
}

TextExtents extentsOf(PangoLayout* layout) {
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    TextExtents e;
    e.width = logical.width;
    e.height = logical.height;
    e.ascent = PANGO_PIXELS(pango_layout_get_baseline(layout));
    e.descent = e.height - e.ascent;
    return e;
}

}  // namespace

PangoContext* sharedPangoContext() {
    thread_local GObjectPtr<PangoContext> context = [] {
        PangoContext* c = pango_font_map_create_context(pango_cairo_font_map_get_default());
        pango_cairo_context_set_font_options(c, textOptions());
        pango_cairo_context_set_resolution(c, 96.0);
        return GObjectPtr<PangoContext>(c);
    }();
    return context.get();
}

Font::Font(int height, int weight, bool italic, const ZString& family)
    : height_(height),
      weight_(weight),
      italic_(italic),
      family_(family),
      impl_(std::make_unique<Impl>()) {
    int pixels = height < 0 ? -height : height;
    if (pixels == 0) pixels = 13;
    PangoFontDescription* d = pango_font_description_new();
    std::string name = family.isEmpty() ? std::string("Sans") : family.toUtf8();
    pango_font_description_set_family(d, name.c_str());
    pango_font_description_set_absolute_size(d, pixels * PANGO_SCALE);
    pango_font_description_set_weight(
        d, static_cast<PangoWeight>(weight <= 0 ? 400 : std::min(weight, 1000)));
    pango_font_description_set_style(d, italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    impl_->description.reset(d);
    GObjectPtr<PangoLayout> layout(pango_layout_new(sharedPangoContext()));
    pango_layout_set_font_description(layout.get(), d);
    pango_layout_set_text(layout.get(), "", 0);
    impl_->empty = extentsOf(layout.get());
    impl_->empty.width = 0;
}

Font::~Font() = default;

std::shared_ptr<Font> Font::create(int height, int weight, bool italic, const ZString& family) {
    return std::shared_ptr<Font>(new Font(height, weight, italic, family));
}

std::shared_ptr<Font> Font::shared(int height, int weight, bool italic, const ZString& family) {
    using Key = std::tuple<int, int, bool, ZString>;
    thread_local std::map<Key, std::shared_ptr<Font>> cache;
    Key key{height, weight, italic, family};
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    auto font = create(height, weight, italic, family);
    cache.emplace(std::move(key), font);
    return font;
}

std::shared_ptr<Font> Font::stock() { return shared(-13, 400, false, u"Sans"); }

const Font::Impl::Shaped& Font::Impl::shape(std::u16string_view text) const {
    std::u16string key(text);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    GObjectPtr<PangoLayout> layout(pango_layout_new(sharedPangoContext()));
    pango_layout_set_font_description(layout.get(), description.get());
    const std::string utf8 = utf16ToUtf8(text);
    pango_layout_set_text(layout.get(), utf8.data(), static_cast<int>(utf8.size()));
    Shaped shaped{extentsOf(layout.get()), std::move(layout)};
    if (cache.size() >= kMaxCachedTexts) cache.clear();
    return cache.emplace(std::move(key), std::move(shaped)).first->second;
}

TextExtents Font::measure(std::u16string_view text) const {
    if (text.empty()) return impl_->empty;
    return impl_->shape(text).extents;
}

int Font::ascent() const { return impl_->empty.ascent; }
int Font::descent() const { return impl_->empty.descent; }
int Font::lineHeight() const { return impl_->empty.height; }

int Font::averageCharWidth() const {
    PangoFontMetrics* metrics =
        pango_context_get_metrics(sharedPangoContext(), impl_->description.get(), nullptr);
    const int width = PANGO_PIXELS(pango_font_metrics_get_approximate_char_width(metrics));
    pango_font_metrics_unref(metrics);
    return width;
}

}  // namespace platform::gfx
