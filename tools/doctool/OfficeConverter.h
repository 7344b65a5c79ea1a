#pragma once

#include <string>
#include <string_view>

namespace doctool {

// Word, Excel, PowerPoint, RTF and OpenDocument files, converted by
// LibreOffice in headless mode. It runs with a profile of its own in the
// temporary folder, so it neither waits for nor disturbs a LibreOffice the
// user has open.
class OfficeConverter {
 public:
  static bool hasOfficeExtension(const std::string& path);
  static bool isOfficeContentType(const std::string& contentType);
  // soffice or libreoffice from PATH; empty when neither is installed.
  static std::string findOfficeProgram();

  bool convert(const std::string& input, const std::string& output, std::string& error);

 private:
  static bool moveFile(const std::string& from, const std::string& to, std::string& error);
};

}  // namespace doctool
