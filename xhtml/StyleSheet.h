#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/ZString.h"
#include "xhtml/StyleDef.h"
#include "xhtml/StyleSelector.h"
#include "xhtml/StyleTarget.h"

namespace xhtml {

// One selector with the declaration list it shares with the other selectors
// of its rule text.
struct StyleRule {
    StyleSelector selector;
    IPtr<StyleDef> def;
};

// A document's rules in the order of its style texts.
using StyleRules = std::vector<StyleRule>;

// Appends the rules of a style text.
void parseStyleSheet(StyleRules& rules, std::u16string_view text);

// Appends "name: value; ..." declarations, trimmed and lower-cased.
void parseDeclarations(StyleDef& styleDef, std::u16string_view text);

// Reads one selector from a lower-cased selector text; returns the position
// after it.
int parseSelector(StyleSelector& selector, std::u16string_view text, int position);

// The class attribute split at space, ",", ":" and ";" into trimmed,
// non-empty names.
std::vector<ZString> splitClassList(std::u16string_view classText);

bool matchSelector(const StyleSelector& selector, int32_t state, std::u16string_view tag,
                   std::u16string_view id, const std::vector<ZString>& classList);

// The cascade for one view and one state: every matching rule in order, then
// the view's inline style text of that state. The view builder calls it for
// states 0, 1, 2 and 3 after storing the element's attributes.
void applyStyles(StyleTarget& view, int32_t state, const StyleRules& rules);

// Converts each declaration and stores it in `state`; unknown names are
// ignored.
void applyStyleDef(StyleTarget& view, int32_t state, const StyleDef& styleDef);

}  // namespace xhtml
