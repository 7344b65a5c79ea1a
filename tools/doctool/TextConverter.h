#pragma once

#include <string>
#include <string_view>

namespace doctool {

// Plain text set on A4 pages in a monospaced font: long lines wrap, a form
// feed starts a new page.
class TextConverter {
 public:
  explicit TextConverter(bool showProgress) : showProgress_(showProgress) {}

  // Text without NUL bytes, or UTF-16 with a byte order mark.
  static bool looksLikeText(std::string_view head);
  bool convert(const std::string& input, const std::string& output, std::string& error);

  // Turns the file's bytes into UTF-8: drops a byte order mark, converts
  // UTF-16, and replaces invalid UTF-8 with U+FFFD (warning says so).
  static bool decode(std::string& bytes, std::string& warning, std::string& error);

 private:
  bool showProgress_;
};

}  // namespace doctool
