#include "tools/doctool/ImageConverter.h"

#include "tools/doctool/PdfDocument.h"
#include "tools/doctool/PixbufImageSource.h"
#include "tools/doctool/TiffImageSource.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace doctool {

namespace {
constexpr double maxPagePoints = 14400;  // the largest page common PDF viewers accept
}

bool ImageConverter::canRead(const std::string& path) {
  return TiffImageSource::hasTiffSignature(path) || PixbufImageSource::canRead(path);
}

std::unique_ptr<ImageSource> ImageConverter::sourceFor(const std::string& path) {
  if (TiffImageSource::hasTiffSignature(path)) return std::make_unique<TiffImageSource>(path);
  return std::make_unique<PixbufImageSource>(path);
}

ImageConverter::PageSize ImageConverter::pageSizeFor(int pixelWidth, int pixelHeight, double xDpi, double yDpi) {
  PageSize size{pixelWidth * 72.0 / xDpi, pixelHeight * 72.0 / yDpi};
  double longest = std::max(size.width, size.height);
  if (longest > maxPagePoints) {
    size.width *= maxPagePoints / longest;
    size.height *= maxPagePoints / longest;
  }
  return size;
}

void ImageConverter::drawPage(cairo_t* cr, const ImagePage& page, PageSize size) {
  cairo_surface_t* image = page.surface.get();
  cairo_save(cr);
  cairo_scale(cr, size.width / cairo_image_surface_get_width(image),
              size.height / cairo_image_surface_get_height(image));
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_paint(cr);
  cairo_restore(cr);
}

bool ImageConverter::convert(const std::string& input, const std::string& output, std::string& error) {
  std::unique_ptr<ImageSource> source = sourceFor(input);
  std::optional<PdfDocument> pdf;
  int pageNumber = 0;
  for (ImagePage page; source->readNext(page, error); page = ImagePage{}) {
    PageSize size = pageSizeFor(cairo_image_surface_get_width(page.surface.get()),
                                cairo_image_surface_get_height(page.surface.get()), page.xDpi, page.yDpi);
    if (!pdf) {
      pdf.emplace(output, size.width, size.height);
      if (!pdf->isOpen()) {
        error = "cannot write the PDF";
        return false;
      }
      pdf->setTitleFromInput(input);
    } else {
      pdf->nextPage(size.width, size.height);
    }
    drawPage(pdf->context(), page, size);
    ++pageNumber;
    if (showProgress_) std::fprintf(stderr, "page %d\n", pageNumber);
  }
  if (!error.empty()) return false;
  if (!pdf) {
    error = "the picture has no pages";
    return false;
  }
  return pdf->finish(error);
}

}  // namespace doctool
