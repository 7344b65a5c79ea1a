#include "tools/doctool/OfficeSockets.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace doctool {

namespace {

// True when a connection is refused: the socket's owner is gone.
bool isStale(const std::string& path) {
  sockaddr_un address{};
  if (path.size() >= sizeof address.sun_path) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool refused = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
                 errno == ECONNREFUSED;
  close(fd);
  return refused;
}

}  // namespace

void removeStaleOfficeSockets() {
  const std::string prefix = "OSL_PIPE_" + std::to_string(geteuid()) + "_";
  for (const char* folder : {"/tmp", "/var/tmp"}) {
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator(folder, error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
      const std::string path = it->path().string();
      struct stat info {};
      if (!it->path().filename().string().starts_with(prefix) || lstat(path.c_str(), &info) != 0 ||
          !S_ISSOCK(info.st_mode) || info.st_uid != geteuid()) {
        continue;
      }
      if (isStale(path)) unlink(path.c_str());
    }
  }
}

}  // namespace doctool
