#pragma once

#include <cairo.h>
#include <glib-object.h>
#include <pango/pango.h>

#include <memory>

namespace doctool {

// Owners for the C handles the converter uses.
struct CairoDeleter {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
struct SurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct GObjectDeleter {
  void operator()(gpointer object) const { g_object_unref(object); }
};
struct GErrorDeleter {
  void operator()(GError* error) const { g_error_free(error); }
};
struct GFreeDeleter {
  void operator()(gpointer memory) const { g_free(memory); }
};
struct FontDescriptionDeleter {
  void operator()(PangoFontDescription* font) const { pango_font_description_free(font); }
};
struct LayoutIterDeleter {
  void operator()(PangoLayoutIter* iter) const { pango_layout_iter_free(iter); }
};

using CairoPtr = std::unique_ptr<cairo_t, CairoDeleter>;
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter>;
using GErrorPtr = std::unique_ptr<GError, GErrorDeleter>;
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;
using FontDescriptionPtr = std::unique_ptr<PangoFontDescription, FontDescriptionDeleter>;
using LayoutIterPtr = std::unique_ptr<PangoLayoutIter, LayoutIterDeleter>;

}  // namespace doctool
