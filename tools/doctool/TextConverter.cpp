#include "tools/doctool/TextConverter.h"

#include "tools/doctool/Handles.h"
#include "tools/doctool/PdfDocument.h"

#include <pango/pangocairo.h>

#include <cstdio>
#include <filesystem>

namespace doctool {

namespace {

constexpr double pageWidth = 595.276;  // A4 in points
constexpr double pageHeight = 841.890;
constexpr double margin = 56.693;  // 2 cm
constexpr const char* fontName = "Monospace 10";

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// Places paragraphs line by line and starts a new page when one is full.
class Typesetter {
 public:
  Typesetter(PdfDocument& pdf, bool showProgress)
      : pdf_(pdf), cr_(pdf.context()), layout_(pango_cairo_create_layout(cr_)), showProgress_(showProgress) {
    FontDescriptionPtr font(pango_font_description_from_string(fontName));
    pango_layout_set_font_description(layout_.get(), font.get());
    pango_layout_set_width(layout_.get(), static_cast<int>((pageWidth - 2 * margin) * PANGO_SCALE));
    pango_layout_set_wrap(layout_.get(), PANGO_WRAP_WORD_CHAR);
    reportPage();
  }

  void paragraph(std::string_view text) {
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    pango_layout_set_text(layout_.get(), text.data(), static_cast<int>(text.size()));
    LayoutIterPtr iter(pango_layout_get_iter(layout_.get()));
    do {
      PangoRectangle logical;
      pango_layout_iter_get_line_extents(iter.get(), nullptr, &logical);
      const double height = static_cast<double>(logical.height) / PANGO_SCALE;
      if (y_ + height > pageHeight - margin && y_ > margin) newPage();
      const double baseline = static_cast<double>(pango_layout_iter_get_baseline(iter.get()) - logical.y) / PANGO_SCALE;
      cairo_move_to(cr_, margin + static_cast<double>(logical.x) / PANGO_SCALE, y_ + baseline);
      pango_cairo_show_layout_line(cr_, pango_layout_iter_get_line_readonly(iter.get()));
      y_ += height;
    } while (pango_layout_iter_next_line(iter.get()));
  }

  void newPage() {
    pdf_.nextPage(pageWidth, pageHeight);
    y_ = margin;
    reportPage();
  }

 private:
  void reportPage() {
    ++page_;
    if (showProgress_) std::fprintf(stderr, "page %d\n", page_);
  }

  PdfDocument& pdf_;
  cairo_t* cr_;
  GObjectPtr<PangoLayout> layout_;
  bool showProgress_;
  double y_ = margin;
  int page_ = 0;
};

}  // namespace

bool TextConverter::looksLikeText(std::string_view head) {
  if (startsWith(head, "\xFF\xFE") || startsWith(head, "\xFE\xFF")) return true;
  return head.find('\0') == std::string_view::npos;
}

bool TextConverter::decode(std::string& bytes, std::string& warning, std::string& error) {
  if (startsWith(bytes, "\xEF\xBB\xBF")) bytes.erase(0, 3);
  if (startsWith(bytes, "\xFF\xFE") || startsWith(bytes, "\xFE\xFF")) {
    gsize written = 0;
    GCharPtr converted(g_convert(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8", "UTF-16", nullptr,
                                 &written, nullptr));
    if (!converted) {
      error = "the text file is not valid UTF-16";
      return false;
    }
    bytes.assign(converted.get(), written);
    if (startsWith(bytes, "\xEF\xBB\xBF")) bytes.erase(0, 3);
  }
  if (bytes.find('\0') != std::string::npos) {
    error = "the file contains NUL bytes; it is not a text file";
    return false;
  }
  if (!g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) {
    GCharPtr valid(g_utf8_make_valid(bytes.data(), static_cast<gssize>(bytes.size())));
    bytes = valid.get();
    warning = "the text is not valid UTF-8; invalid bytes are shown as \xEF\xBF\xBD";
  }
  return true;
}

bool TextConverter::convert(const std::string& input, const std::string& output, std::string& error) {
  gchar* raw = nullptr;
  gsize size = 0;
  GError* rawError = nullptr;
  if (!g_file_get_contents(input.c_str(), &raw, &size, &rawError)) {
    GErrorPtr owned(rawError);
    error = std::string("cannot read the text file: ") + rawError->message;
    return false;
  }
  std::string text(raw, size);
  g_free(raw);
  std::string warning;
  if (!decode(text, warning, error)) return false;
  if (!warning.empty()) std::fprintf(stderr, "varto-DocTool: %s: %s\n", input.c_str(), warning.c_str());

  PdfDocument pdf(output, pageWidth, pageHeight);
  if (!pdf.isOpen()) {
    error = "cannot write the PDF";
    return false;
  }
  pdf.setTitleFromInput(input);
  Typesetter typesetter(pdf, showProgress_);
  std::string_view rest(text);
  bool firstSheet = true;
  while (true) {
    size_t formFeed = rest.find('\f');
    std::string_view sheet = rest.substr(0, formFeed);
    if (!firstSheet) typesetter.newPage();
    firstSheet = false;
    if (!sheet.empty() && sheet.back() == '\n') sheet.remove_suffix(1);
    while (!sheet.empty()) {
      size_t lineEnd = sheet.find('\n');
      typesetter.paragraph(sheet.substr(0, lineEnd));
      if (lineEnd == std::string_view::npos) break;
      sheet.remove_prefix(lineEnd + 1);
      if (sheet.empty()) typesetter.paragraph({});
    }
    if (formFeed == std::string_view::npos) break;
    rest.remove_prefix(formFeed + 1);
  }
  return pdf.finish(error);
}

}  // namespace doctool
