#include "tools/doctool/ImageSource.h"

namespace doctool {

void ImageSource::applyResolution(ImagePage& page, double xDpi, double yDpi) {
  xDpi = usableDpi(xDpi);
  yDpi = usableDpi(yDpi);
  // With one direction known, square pixels are the likely truth.
  if (xDpi == 0) xDpi = yDpi;
  if (yDpi == 0) yDpi = xDpi;
  page.xDpi = xDpi == 0 ? 72 : xDpi;
  page.yDpi = yDpi == 0 ? 72 : yDpi;
}

}  // namespace doctool
