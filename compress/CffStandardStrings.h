#pragma once

// Glyph and style names that compact font programs refer to by number
// (0 to 390) instead of storing them in their own string list.
constexpr int kCffStandardStringCount = 391;
extern const char* const kCffStandardStrings[kCffStandardStringCount];
