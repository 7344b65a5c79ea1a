#pragma once

#include <cairo.h>
#include <glib-object.h>
#include <pango/pango.h>

#include "base/CHandle.h"

namespace doctool {

// Owners for the C handles the converter uses.
using CairoPtr = CHandle<cairo_t, cairo_destroy>;
using SurfacePtr = CHandle<cairo_surface_t, cairo_surface_destroy>;
template <class T>
using GObjectPtr = CHandle<T, g_object_unref>;
using GErrorPtr = CHandle<GError, g_error_free>;
using GCharPtr = CHandle<char, g_free>;
using FontDescriptionPtr = CHandle<PangoFontDescription, pango_font_description_free>;
using LayoutIterPtr = CHandle<PangoLayoutIter, pango_layout_iter_free>;

}  // namespace doctool
