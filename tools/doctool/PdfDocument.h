#pragma once

#include "tools/doctool/Handles.h"

#include <string>

namespace doctool {

// A PDF written page by page through Cairo. Every page may have its own size.
class PdfDocument {
 public:
  // Opens the file; the first page is width x height points.
  PdfDocument(const std::string& path, double width, double height);

  bool isOpen() const;
  cairo_t* context() const { return cr_.get(); }
  // The title is the input's file name, made valid UTF-8; a name the
  // compression engine gave its working copy means nothing to a reader, so
  // such a document gets none.
  void setTitleFromInput(const std::string& inputPath);

  // Ends the current page; the next one is width x height points.
  void nextPage(double width, double height);
  // Writes everything out; false with error set when Cairo failed.
  bool finish(std::string& error);

 private:
  SurfacePtr surface_;
  CairoPtr cr_;
};

}  // namespace doctool
