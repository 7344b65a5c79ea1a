#pragma once

#include "tools/doctool/ImageSource.h"

#include <memory>
#include <string>

namespace doctool {

// Pictures become one page each, sized from the picture's own resolution.
class ImageConverter {
 public:
  explicit ImageConverter(bool showProgress) : showProgress_(showProgress) {}

  static bool canRead(const std::string& path);
  bool convert(const std::string& input, const std::string& output, std::string& error);

  struct PageSize {
    double width;
    double height;
  };
  // Points for a picture of the given pixels and resolution; pages too large
  // for PDF viewers are scaled down to fit 200 inches.
  static PageSize pageSizeFor(int pixelWidth, int pixelHeight, double xDpi, double yDpi);

 private:
  static std::unique_ptr<ImageSource> sourceFor(const std::string& path);
  static void drawPage(cairo_t* cr, const ImagePage& page, PageSize size);

  bool showProgress_;
};

}  // namespace doctool
