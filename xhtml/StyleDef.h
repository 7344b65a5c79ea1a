#pragma once

#include <utility>
#include <vector>

#include <cstddef>
#include <cstdint>

#include "base/ZString.h"
#include "xhtml/IPtrBase.h"
#include "xhtml/StyleValue.h"

namespace xhtml {

class StyleTarget;

// One converted declaration step. A shared definition is converted once,
// however many views it styles.
struct StyleOp {
    enum Kind : int32_t {
        Store,             // `value` under `id`
        EraseSideColors,   // the four side border colours of the normal state
        RelativeFontSize,  // the inherited font size plus `value`
    };
    Kind kind = Store;
    int32_t id = 0;
    StyleValue value;
};

// A declaration list shared by every selector of one rule. Names and values
// are trimmed and lower case; duplicates are kept in order, so the later one
// wins when applied.
class StyleDef : public IPtrBase {
public:
    using Declaration = std::pair<ZString, ZString>;

    StyleDef() = default;

    void add(ZString name, ZString value) { declarations.emplace_back(std::move(name), std::move(value)); }

    std::vector<Declaration> declarations;

private:
    friend void applyStyleDef(StyleTarget& view, int32_t state, const StyleDef& styleDef);

    // Built on first apply; rebuilt when declarations were added since.
    mutable std::vector<StyleOp> ops_;
    mutable size_t opsFor_ = static_cast<size_t>(-1);
};

}  // namespace xhtml
