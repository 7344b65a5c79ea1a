#pragma once

#include <cairo.h>
#include <glib-object.h>
#include <pango/pango.h>

#include "base/CHandle.h"
#include "platform/GlibHandles.h"

namespace doctool {

// Owners for the C handles the converter uses.
using CairoPtr = CHandle<cairo_t, cairo_destroy>;
using SurfacePtr = CHandle<cairo_surface_t, cairo_surface_destroy>;
using platform::GCharPtr;
using platform::GErrorPtr;
using platform::GObjectPtr;
using FontDescriptionPtr = CHandle<PangoFontDescription, pango_font_description_free>;
using LayoutIterPtr = CHandle<PangoLayoutIter, pango_layout_iter_free>;

}  // namespace doctool
