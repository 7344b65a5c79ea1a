#pragma once

#include <cstdint>
#include <string>

#include "base/ZString.h"

// One JSON object on one line, members in the order they are added. Text
// that carries a file-name byte which is not UTF-8 (U+DC80..U+DCFF) keeps it
// as a "\udcXX" escape, so a reader can get the exact name back
// (Python: surrogateescape) while the line stays valid UTF-8.
class JsonLine {
public:
    JsonLine& text(const char* name, const ZString& value);
    JsonLine& number(const char* name, int64_t value);
    // With the given digits after the point.
    JsonLine& decimal(const char* name, double value, int digits);
    JsonLine& null(const char* name);

    // The object and its line feed.
    std::string str() const { return out_ + "}\n"; }

private:
    void key(const char* name);

    std::string out_ = "{";
};
