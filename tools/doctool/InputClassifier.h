#pragma once

#include <string>

namespace doctool {

enum class DocumentKind { Image, Text, Office, Unknown };

// Decides how a file is converted: office documents by extension or content,
// then pictures gdk-pixbuf or libtiff can read, then text.
class InputClassifier {
 public:
  static DocumentKind classify(const std::string& path);
  static const char* describe(DocumentKind kind);
};

}  // namespace doctool
