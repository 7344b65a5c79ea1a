#pragma once

#include <string>

namespace platform {

// Loads an image file and encodes it again in memory as "png", "jpeg" or
// "bmp". False (and out untouched) when either step fails.
bool recodeImageFile(const std::string& path, const char* type, std::string& out);

}  // namespace platform
