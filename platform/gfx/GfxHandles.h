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

#include "base/CHandle.h"
#include "platform/gfx/Font.h"
#include "platform/gfx/Image.h"

namespace platform::gfx {

using CairoPtr = CHandle<cairo_t, cairo_destroy>;
using SurfacePtr = CHandle<cairo_surface_t, cairo_surface_destroy>;
using PatternPtr = CHandle<cairo_pattern_t, cairo_pattern_destroy>;
using FontDescriptionPtr = CHandle<PangoFontDescription, pango_font_description_free>;
template <typename T>
using GObjectPtr = CHandle<T, g_object_unref>;

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
