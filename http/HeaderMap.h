#pragma once

#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "base/ZString.h"

namespace http {

// Orders header names without regard to ASCII case, so "content-type" and
// "Content-Type" are one entry.
struct HeaderNameLess {
    bool operator()(const ZString& a, const ZString& b) const;
};

using HeaderMap = std::map<ZString, ZString, HeaderNameLess>;
using HeaderPair = std::pair<ZString, ZString>;

// Raw header text (lines of "Name: value") to pairs: a line starting with a
// space or tab continues the previous value; lines without a colon after the
// first character (the status line among them) are skipped.
std::vector<HeaderPair> parseRawHeaders(std::u16string_view text);

// Adds one pair by the merge rule: a new name is inserted; a known name with
// a non-empty value gets the value as one more comma-separated item unless
// an equal item (ASCII case ignored) is already there; a known name with an
// empty value stays as it is.
void addHeader(HeaderMap& headers, const ZString& name, const ZString& value);

}  // namespace http
