#pragma once

#include <string>

namespace xhtml {

class View;

// The boxes after layout, one displayed view per line: two spaces per depth,
// the type code, the element name (or "-"), "#id", ".class" for each class,
// a word in double quotes, then " @x,y WxH" of its rectangle. Views whose
// display is none are left out with their subtree. UTF-8, "\n" after each.
std::string dumpLayout(View* root);

}  // namespace xhtml
