#pragma once

// Owners for the Cairo, Pango and GObject handles behind platform::gfx.
// Internal to platform/gfx: nothing outside platform/ may include it.

#include <cairo.h>
#include <glib-object.h>
#include <pango/pangocairo.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/gfx/Font.h"
#include "platform/gfx/Image.h"

namespace platform::gfx {

struct CairoDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct PatternDeleter {
    void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
};
struct FontDescriptionDeleter {
    void operator()(PangoFontDescription* d) const { pango_font_description_free(d); }
};
struct GObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};

using CairoPtr = std::unique_ptr<cairo_t, CairoDeleter>;
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using PatternPtr = std::unique_ptr<cairo_pattern_t, PatternDeleter>;
using FontDescriptionPtr = std::unique_ptr<PangoFontDescription, FontDescriptionDeleter>;
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter>;

// One pixel of an ARGB32 image surface, un-premultiplied; the caller checks
// the coordinates.
Color surfacePixel(cairo_surface_t* surface, int x, int y);

// The Pango context every measurement and every painted text goes
// through, so widths measured during layout are the widths painted.
PangoContext* sharedPangoContext();

struct Font::Impl {
    // A shaped text, kept so that painting the same word again costs no
    // shaping and its measured width is the painted one.
    struct Shaped {
        TextExtents extents;
        GObjectPtr<PangoLayout> layout;
    };
    FontDescriptionPtr description;
    TextExtents empty;  // metrics of the bare line
    mutable std::unordered_map<std::u16string, Shaped> cache;

    const Shaped& shape(std::u16string_view text) const;
};

struct Image::Frame {
    SurfacePtr surface;  // CAIRO_FORMAT_ARGB32, premultiplied
    int delay = 0;
};

}  // namespace platform::gfx
