#pragma once

#include "tools/doctool/ImageSource.h"

#include <tiffio.h>

#include "base/CHandle.h"

namespace doctool {

// A TIFF file, every page of it (scans and faxes are often multi-page TIFFs).
class TiffImageSource : public ImageSource {
 public:
  explicit TiffImageSource(const std::string& path);
  bool readNext(ImagePage& page, std::string& error) override;

  static bool hasTiffSignature(const std::string& path);

 private:
  void readResolution(ImagePage& page) const;

  CHandle<TIFF, TIFFClose> tiff_;
  bool started_ = false;
};

}  // namespace doctool
