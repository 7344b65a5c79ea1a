#pragma once

#include "tools/doctool/Handles.h"

#include <string>

namespace doctool {

// One decoded picture and the resolution it was made for.
struct ImagePage {
  SurfacePtr surface;
  double xDpi = 72;
  double yDpi = 72;
};

// A picture file read page by page (a multi-page TIFF has several).
class ImageSource {
 public:
  virtual ~ImageSource() = default;
  // False at the end (error stays empty) or when a page cannot be decoded.
  virtual bool readNext(ImagePage& page, std::string& error) = 0;

  // Files often carry no resolution or a nonsensical one; those count as 72 dpi.
  static double usableDpi(double dpi) { return dpi >= 1 && dpi <= 100000 ? dpi : 0; }
  static void applyResolution(ImagePage& page, double xDpi, double yDpi);
};

}  // namespace doctool
