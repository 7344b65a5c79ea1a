#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "base/ZString.h"
#include "xhtml/StyleValue.h"

namespace xhtml {

struct Keyword {
    const char16_t* name;  // lower case
    int32_t value;
};

// A keyword table: names compared exactly with the lower-cased value, first
// match wins, anything else gives the default.
struct KeywordTable {
    std::span<const Keyword> entries;
    int32_t defaultValue;
};

extern const KeywordTable borderStyleTable;
extern const KeywordTable textAlignTable;
extern const KeywordTable verticalAlignTable;
extern const KeywordTable fontSizeTable;
extern const KeywordTable fontWeightTable;
extern const KeywordTable cursorTable;
extern const KeywordTable positionTable;
extern const KeywordTable visibilityTable;
extern const KeywordTable displayTable;
extern const KeywordTable overflowTable;
extern const KeywordTable backgroundRepeatTable;
extern const KeywordTable backgroundPositionTable;
// For the align and valign element attributes; same contents as the
// text-align and vertical-align tables.
extern const KeywordTable alignAttributeTable;
extern const KeywordTable valignAttributeTable;

int32_t lookupKeyword(const KeywordTable& table, std::u16string_view text);
bool isKeyword(const KeywordTable& table, std::u16string_view text);

struct NamedColor {
    const char16_t* name;  // as written in the table; compared without regard to case
    Color value;
};

// The 141 colour names in lookup order.
std::span<const NamedColor> colorNameTable();
// True and the value when `text` is a colour name (any case).
bool lookupColorName(std::u16string_view text, Color& out);

// "#rgb", "#rgba", "#rrggbb", "#rrggbbaa" or a colour name; anything else is
// kNoColor.
Color parseColor(std::u16string_view text);

// "0x.." as an int, else the leading decimal number (units ignored) as an
// int when whole, else a double; a trailing "%" sets the percent flag.
StyleValue parseNumber(std::u16string_view text);

}  // namespace xhtml
