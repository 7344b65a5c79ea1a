#pragma once

#include <string>

namespace xhtml {

class View;

// The view tree as text, one view per line: two spaces per depth, the type
// code, the element name (or "-"), "#id", ".class" for each class and, for a
// word, the word in double quotes; below each view one line per state whose
// map is not empty: "state N: ID=VALUE …" with strings quoted, colours as
// #AARRGGBB and percentages with "%". UTF-8, each line ending in "\n".
std::string dumpViewTree(View* root);

}  // namespace xhtml
