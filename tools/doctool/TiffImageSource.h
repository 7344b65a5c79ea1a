#pragma once

#include "tools/doctool/ImageSource.h"

#include <tiffio.h>

#include <memory>

namespace doctool {

// A TIFF file, every page of it (scans and faxes are often multi-page TIFFs).
class TiffImageSource : public ImageSource {
 public:
  explicit TiffImageSource(const std::string& path);
  bool readNext(ImagePage& page, std::string& error) override;

  static bool hasTiffSignature(const std::string& path);

 private:
  struct TiffDeleter {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
  };
  void readResolution(ImagePage& page) const;

  std::unique_ptr<TIFF, TiffDeleter> tiff_;
  bool started_ = false;
};

}  // namespace doctool
