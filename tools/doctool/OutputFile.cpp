#include "tools/doctool/OutputFile.h"

#include "tools/doctool/Interruption.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace doctool {

OutputFile::OutputFile(std::string finalPath) : finalPath_(std::move(finalPath)) {}

OutputFile::~OutputFile() {
  if (!temporaryPath_.empty() && !committed_) {
    std::remove(temporaryPath_.c_str());
    Interruption::clearTemporaryOutput();
  }
}

bool OutputFile::create(std::string& error) {
  std::filesystem::path target(finalPath_);
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string pattern = (folder / ("." + target.filename().string() + ".part-XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) {
    error = "cannot create the output file in " + folder.string() + ": " + std::strerror(errno);
    return false;
  }
  // mkstemp makes the file private; the result gets the usual permissions.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  close(fd);
  temporaryPath_ = name.data();
  Interruption::setTemporaryOutput(temporaryPath_);
  return true;
}

bool OutputFile::commit(std::string& error) {
  if (std::rename(temporaryPath_.c_str(), finalPath_.c_str()) != 0) {
    error = "cannot write " + finalPath_ + ": " + std::strerror(errno);
    return false;
  }
  committed_ = true;
  Interruption::clearTemporaryOutput();
  return true;
}

}  // namespace doctool
