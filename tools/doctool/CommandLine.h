#pragma once

#include <string>
#include <vector>

namespace doctool {

// The converter's command line, as the compression pipeline writes it:
//   varto-DocTool -convertToPDF -noProgress -profile P -outputFile OUT IN
// Options may come in any order; "--" ends the options.
class CommandLine {
 public:
  // Parses argv without the program name. On failure error() says why.
  bool parse(const std::vector<std::string>& args);

  bool helpRequested() const { return help_; }
  bool showProgress() const { return showProgress_; }
  const std::string& profile() const { return profile_; }
  const std::string& outputPath() const { return outputPath_; }
  const std::string& inputPath() const { return inputPath_; }
  const std::string& error() const { return error_; }

  static const char* usage();

 private:
  bool fail(std::string message);

  bool help_ = false;
  bool convert_ = false;
  bool showProgress_ = true;
  std::string profile_;
  std::string outputPath_;
  std::string inputPath_;
  std::string error_;
};

}  // namespace doctool
