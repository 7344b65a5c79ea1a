#include "tools/doctool/PdfDocument.h"

#include <cairo-pdf.h>

namespace doctool {

PdfDocument::PdfDocument(const std::string& path, double width, double height)
    : surface_(cairo_pdf_surface_create(path.c_str(), width, height)), cr_(cairo_create(surface_.get())) {
  cairo_pdf_surface_set_metadata(surface_.get(), CAIRO_PDF_METADATA_CREATOR, "varto-DocTool");
}

bool PdfDocument::isOpen() const {
  return cairo_surface_status(surface_.get()) == CAIRO_STATUS_SUCCESS &&
         cairo_status(cr_.get()) == CAIRO_STATUS_SUCCESS;
}

void PdfDocument::setTitle(const std::string& title) {
  cairo_pdf_surface_set_metadata(surface_.get(), CAIRO_PDF_METADATA_TITLE, title.c_str());
}

void PdfDocument::nextPage(double width, double height) {
  cairo_show_page(cr_.get());
  cairo_pdf_surface_set_size(surface_.get(), width, height);
}

bool PdfDocument::finish(std::string& error) {
  cairo_status_t status = cairo_status(cr_.get());
  cr_.reset();
  cairo_surface_finish(surface_.get());
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface_.get());
  if (status != CAIRO_STATUS_SUCCESS) {
    error = std::string("cannot write the PDF: ") + cairo_status_to_string(status);
    return false;
  }
  return true;
}

}  // namespace doctool
