#pragma once

#include <utility>
#include <vector>

#include "base/ZString.h"
#include "xhtml/IPtrBase.h"

namespace xhtml {

// A declaration list shared by every selector of one rule. Names and values
// are trimmed and lower case; duplicates are kept in order, so the later one
// wins when applied.
class StyleDef : public IPtrBase {
public:
    using Declaration = std::pair<ZString, ZString>;

    StyleDef() = default;

    void add(ZString name, ZString value) { declarations.emplace_back(std::move(name), std::move(value)); }

    std::vector<Declaration> declarations;
};

}  // namespace xhtml
