#include "tools/doctool/TiffImageSource.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace doctool {

namespace {

// libtiff reports through a process-wide handler; the last message becomes
// part of the error the user sees.
std::string lastTiffMessage;

void rememberTiffError(const char* module, const char* format, va_list args) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  lastTiffMessage = module ? std::string(module) + ": " + text : std::string(text);
}

constexpr uint32_t maxSide = 32767;  // Cairo's limit for an image

}  // namespace

TiffImageSource::TiffImageSource(const std::string& path) {
  TIFFSetErrorHandler(rememberTiffError);
  TIFFSetWarningHandler(nullptr);
  lastTiffMessage.clear();
  tiff_.reset(TIFFOpen(path.c_str(), "r"));
}

bool TiffImageSource::hasTiffSignature(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  unsigned char head[4] = {};
  size_t got = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  if (got < 4) return false;
  // Classic TIFF is version 42, BigTIFF 43, in either byte order.
  bool little = head[0] == 'I' && head[1] == 'I' && head[3] == 0 && (head[2] == 42 || head[2] == 43);
  bool big = head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43);
  return little || big;
}

bool TiffImageSource::readNext(ImagePage& page, std::string& error) {
  if (!tiff_) {
    error = "cannot read the TIFF picture: " + lastTiffMessage;
    return false;
  }
  if (started_ && !TIFFReadDirectory(tiff_.get())) return false;
  started_ = true;
  uint32_t width = 0, height = 0;
  TIFFGetField(tiff_.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff_.get(), TIFFTAG_IMAGELENGTH, &height);
  if (width == 0 || height == 0 || width > maxSide || height > maxSide) {
    error = "the TIFF page is empty or too large to place on a page";
    return false;
  }
  std::vector<uint32_t> raster(static_cast<size_t>(width) * height);
  if (!TIFFReadRGBAImageOriented(tiff_.get(), width, height, raster.data(), ORIENTATION_TOPLEFT, 0)) {
    error = "cannot decode the TIFF page: " + lastTiffMessage;
    return false;
  }
  SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    error = "the TIFF page is too large to place on a page";
    return false;
  }
  cairo_surface_flush(surface.get());
  unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  // libtiff hands out premultiplied RGBA, red in the low byte.
  for (uint32_t y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
    const uint32_t* in = raster.data() + static_cast<size_t>(y) * width;
    for (uint32_t x = 0; x < width; ++x) {
      uint32_t p = in[x];
      row[x] = TIFFGetA(p) << 24 | TIFFGetR(p) << 16 | TIFFGetG(p) << 8 | TIFFGetB(p);
    }
  }
  cairo_surface_mark_dirty(surface.get());
  page.surface = std::move(surface);
  readResolution(page);
  return true;
}

void TiffImageSource::readResolution(ImagePage& page) const {
  float x = 0, y = 0;
  uint16_t unit = RESUNIT_INCH;
  TIFFGetField(tiff_.get(), TIFFTAG_XRESOLUTION, &x);
  TIFFGetField(tiff_.get(), TIFFTAG_YRESOLUTION, &y);
  TIFFGetFieldDefaulted(tiff_.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
  double factor = unit == RESUNIT_CENTIMETER ? 2.54 : unit == RESUNIT_INCH ? 1.0 : 0.0;
  applyResolution(page, x * factor, y * factor);
}

}  // namespace doctool
