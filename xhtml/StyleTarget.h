#pragma once

#include <cstdint>

#include "xhtml/StyleValue.h"

namespace xhtml {

// What the cascade needs from a view: its per-state style maps and the
// inherited lookup through its ancestors. The view classes implement it
// (directly or through a small adapter), so the style code never depends on
// them.
class StyleTarget {
public:
    virtual ~StyleTarget() = default;

    // Entry of exactly this state's map (no fallback to the normal map), or
    // null.
    virtual const StyleValue* styleEntry(int32_t id, int32_t state) const = 0;
    // Stores the value; an unset value erases the entry.
    virtual void setStyle(int32_t id, const StyleValue& value, int32_t state) = 0;
    // The value of the nearest of this view and its ancestors that has the
    // property in `state` (falling back to each one's normal map); false when
    // none has it.
    virtual bool findInheritedStyle(int32_t id, StyleValue& out, int32_t state) const = 0;
};

}  // namespace xhtml
