#include "tools/doctool/PdfDocument.h"

#include <cairo-pdf.h>
#include <glib.h>

#include <filesystem>
#include <regex>

namespace doctool {

PdfDocument::PdfDocument(const std::string& path, double width, double height)
    : surface_(cairo_pdf_surface_create(path.c_str(), width, height)), cr_(cairo_create(surface_.get())) {
  cairo_pdf_surface_set_metadata(surface_.get(), CAIRO_PDF_METADATA_CREATOR, "varto-DocTool");
}

bool PdfDocument::isOpen() const {
  return cairo_surface_status(surface_.get()) == CAIRO_STATUS_SUCCESS &&
         cairo_status(cr_.get()) == CAIRO_STATUS_SUCCESS;
}

void PdfDocument::setTitleFromInput(const std::string& inputPath) {
  std::string name = std::filesystem::path(inputPath).filename().string();
  static const std::regex engineName(R"(compress_\d+_\d+_\d+(\.[^.]*)?)");
  if (name.empty() || std::regex_match(name, engineName)) return;
  // File names are bytes; the PDF's text must be UTF-8.
  char* valid = g_utf8_make_valid(name.c_str(), static_cast<gssize>(name.size()));
  cairo_pdf_surface_set_metadata(surface_.get(), CAIRO_PDF_METADATA_TITLE, valid);
  g_free(valid);
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
