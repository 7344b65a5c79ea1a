#include "tools/doctool/PixbufImageSource.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace doctool {

namespace {

SurfacePtr surfaceFromPixbuf(GdkPixbuf* pixbuf) {
  const int width = gdk_pixbuf_get_width(pixbuf);
  const int height = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const int sourceStride = gdk_pixbuf_get_rowstride(pixbuf);
  const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
  const guint8* source = gdk_pixbuf_read_pixels(pixbuf);
  SurfacePtr surface(cairo_image_surface_create(alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, width, height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  cairo_surface_flush(surface.get());
  unsigned char* target = cairo_image_surface_get_data(surface.get());
  const int targetStride = cairo_image_surface_get_stride(surface.get());
  for (int y = 0; y < height; ++y) {
    const guint8* in = source + static_cast<size_t>(y) * sourceStride;
    auto* out = reinterpret_cast<uint32_t*>(target + static_cast<size_t>(y) * targetStride);
    for (int x = 0; x < width; ++x, in += channels) {
      uint32_t a = alpha ? in[3] : 255;
      // Cairo wants premultiplied alpha.
      uint32_t r = (in[0] * a + 127) / 255, g = (in[1] * a + 127) / 255, b = (in[2] * a + 127) / 255;
      out[x] = a << 24 | r << 16 | g << 8 | b;
    }
  }
  cairo_surface_mark_dirty(surface.get());
  return surface;
}

// BMP keeps its resolution in pixels per metre, which gdk-pixbuf does not report.
void bmpResolution(const std::string& path, double& xDpi, double& yDpi) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return;
  unsigned char header[46] = {};
  size_t got = std::fread(header, 1, sizeof header, file);
  std::fclose(file);
  if (got < sizeof header || header[0] != 'B' || header[1] != 'M') return;
  auto le32 = [&](int at) {
    return static_cast<int32_t>(header[at] | header[at + 1] << 8 | header[at + 2] << 16 |
                                static_cast<uint32_t>(header[at + 3]) << 24);
  };
  if (le32(14) < 40) return;  // the old OS/2 header has no resolution
  // Rounded like gdk-pixbuf's PNG resolution: 3780 px/m is 96 dpi, not 96.01.
  xDpi = std::lround(le32(38) * 0.0254);
  yDpi = std::lround(le32(42) * 0.0254);
}

double optionDpi(GdkPixbuf* pixbuf, const char* key) {
  const char* value = gdk_pixbuf_get_option(pixbuf, key);
  return value ? std::atof(value) : 0;
}

}  // namespace

bool PixbufImageSource::canRead(const std::string& path) {
  return gdk_pixbuf_get_file_info(path.c_str(), nullptr, nullptr) != nullptr;
}

bool PixbufImageSource::readNext(ImagePage& page, std::string& error) {
  if (done_) return false;
  done_ = true;
  GError* rawError = nullptr;
  GObjectPtr<GdkPixbuf> loaded(gdk_pixbuf_new_from_file(path_.c_str(), &rawError));
  if (!loaded) {
    GErrorPtr owned(rawError);
    error = std::string("cannot read the picture: ") + (rawError ? rawError->message : "unknown error");
    return false;
  }
  const char* orientation = gdk_pixbuf_get_option(loaded.get(), "orientation");
  const bool turned = orientation && std::strcmp(orientation, "1") != 0;
  const bool rotated = orientation && std::atoi(orientation) >= 5;
  GObjectPtr<GdkPixbuf> pixbuf(gdk_pixbuf_apply_embedded_orientation(loaded.get()));
  page.surface = surfaceFromPixbuf(pixbuf.get());
  if (!page.surface) {
    error = "the picture is too large to place on a page";
    return false;
  }
  resolutionOf(loaded.get(), rotated, page);
  GdkPixbufFormat* format = gdk_pixbuf_get_file_info(path_.c_str(), nullptr, nullptr);
  if (!turned && format && std::strcmp(gdk_pixbuf_format_get_name(format), "jpeg") == 0) {
    keepOriginalJpeg(page.surface.get());
  }
  return true;
}

void PixbufImageSource::resolutionOf(GdkPixbuf* pixbuf, bool rotated, ImagePage& page) const {
  double xDpi = optionDpi(pixbuf, "x-dpi");
  double yDpi = optionDpi(pixbuf, "y-dpi");
  if (xDpi == 0 && yDpi == 0) bmpResolution(path_, xDpi, yDpi);
  if (rotated) std::swap(xDpi, yDpi);
  applyResolution(page, xDpi, yDpi);
}

// The PDF then carries the original JPEG instead of re-encoding its pixels
// losslessly, which would make a photo several times larger.
void PixbufImageSource::keepOriginalJpeg(cairo_surface_t* surface) const {
  gchar* data = nullptr;
  gsize size = 0;
  if (!g_file_get_contents(path_.c_str(), &data, &size, nullptr)) return;
  int components = embeddableJpegComponents(reinterpret_cast<unsigned char*>(data), size);
  if (components != 1 && components != 3) {
    g_free(data);
    return;
  }
  cairo_surface_set_mime_data(surface, CAIRO_MIME_TYPE_JPEG, reinterpret_cast<unsigned char*>(data), size, g_free,
                              data);
}

int PixbufImageSource::embeddableJpegComponents(const unsigned char* data, size_t size) {
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return 0;
  size_t at = 2;
  while (at + 4 <= size) {
    if (data[at] != 0xFF) return 0;
    const unsigned char marker = data[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
      at += 2;
      continue;
    }
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      // Frame header: length, precision, height, width, component count.
      if (marker > 0xC2 || at + 9 >= size || data[at + 4] != 8) return 0;
      return data[at + 9];
    }
    if (marker == 0xD9 || marker == 0xDA) return 0;
    at += 2 + (static_cast<size_t>(data[at + 2]) << 8 | data[at + 3]);
  }
  return 0;
}

}  // namespace doctool
