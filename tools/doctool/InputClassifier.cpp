#include "tools/doctool/InputClassifier.h"

#include "tools/doctool/Handles.h"
#include "tools/doctool/ImageConverter.h"
#include "tools/doctool/OfficeConverter.h"
#include "tools/doctool/TextConverter.h"

#include <gio/gio.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace doctool {

namespace {

// Text formats whose content alone might look like something else.
constexpr std::array textExtensions{".txt", ".text", ".log", ".md", ".csv", ".tsv", ".ini", ".conf", ".json"};

bool hasTextExtension(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return std::find(textExtensions.begin(), textExtensions.end(), extension) != textExtensions.end();
}

std::string readHead(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string head(64 * 1024, '\0');
  file.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(file.gcount()));
  return head;
}

}  // namespace

DocumentKind InputClassifier::classify(const std::string& path) {
  if (OfficeConverter::hasOfficeExtension(path)) return DocumentKind::Office;
  const std::string head = readHead(path);
  if (hasTextExtension(path) && TextConverter::looksLikeText(head)) return DocumentKind::Text;
  if (ImageConverter::canRead(path)) return DocumentKind::Image;
  gboolean uncertain = FALSE;
  GCharPtr type(g_content_type_guess(path.c_str(), reinterpret_cast<const guchar*>(head.data()), head.size(),
                                     &uncertain));
  GCharPtr mime(type ? g_content_type_get_mime_type(type.get()) : nullptr);
  // A damaged picture still goes to the picture decoder, whose error says more.
  if (mime && std::string_view(mime.get()).starts_with("image/")) return DocumentKind::Image;
  if (mime && OfficeConverter::isOfficeContentType(mime.get())) return DocumentKind::Office;
  if (type && g_content_type_is_a(type.get(), "text/plain") && TextConverter::looksLikeText(head)) {
    return DocumentKind::Text;
  }
  return DocumentKind::Unknown;
}

const char* InputClassifier::describe(DocumentKind kind) {
  switch (kind) {
    case DocumentKind::Image: return "picture";
    case DocumentKind::Text: return "text";
    case DocumentKind::Office: return "office document";
    case DocumentKind::Unknown: break;
  }
  return "unknown";
}

}  // namespace doctool
