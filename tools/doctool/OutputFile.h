#pragma once

#include <string>

namespace doctool {

// The output PDF is written under a hidden temporary name beside its final
// name and renamed at the end, so a failed or interrupted conversion never
// leaves a half-written file under the name the caller waits for.
class OutputFile {
 public:
  explicit OutputFile(std::string finalPath);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool create(std::string& error);
  const std::string& temporaryPath() const { return temporaryPath_; }
  bool commit(std::string& error);

 private:
  std::string finalPath_;
  std::string temporaryPath_;
  bool committed_ = false;
};

}  // namespace doctool
