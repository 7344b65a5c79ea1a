#include "tools/doctool/TempFolder.h"

#include "tools/doctool/Handles.h"

#include <filesystem>

namespace doctool {

TempFolder::TempFolder() {
  GCharPtr made(g_dir_make_tmp("varto-doctool-XXXXXX", nullptr));
  if (made) path_ = made.get();
}

TempFolder::~TempFolder() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace doctool
