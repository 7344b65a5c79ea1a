#pragma once

#include "tools/doctool/ImageSource.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

namespace doctool {

// Any single picture gdk-pixbuf decodes (PNG, JPEG, GIF, BMP, ICO, SVG, ...).
// Animated pictures give their first frame.
class PixbufImageSource : public ImageSource {
 public:
  explicit PixbufImageSource(std::string path) : path_(std::move(path)) {}
  bool readNext(ImagePage& page, std::string& error) override;

  static bool canRead(const std::string& path);
  // Number of colour components of a baseline or progressive 8-bit JPEG,
  // 0 for anything a PDF cannot carry as it is.
  static int embeddableJpegComponents(const unsigned char* data, size_t size);

 private:
  void resolutionOf(GdkPixbuf* pixbuf, bool rotated, ImagePage& page) const;
  void keepOriginalJpeg(cairo_surface_t* surface) const;

  std::string path_;
  bool done_ = false;
};

}  // namespace doctool
