#pragma once

#include <string>

namespace doctool {

// A private folder in the temporary folder ($TMPDIR), removed with
// everything in it when the owner goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  bool exists() const { return !path_.empty(); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace doctool
