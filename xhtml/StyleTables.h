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

// The numbers the keyword tables store, for the code that acts on them.
inline constexpr int32_t kBorderNone = 0;
inline constexpr int32_t kBorderSolid = 1;
inline constexpr int32_t kBorderDotted = 2;
inline constexpr int32_t kBorderDashed = 3;

inline constexpr int32_t kCursorDefault = 0;
inline constexpr int32_t kCursorPointer = 1;

inline constexpr int32_t kPositionStatic = 0;
inline constexpr int32_t kPositionRelative = 1;
inline constexpr int32_t kPositionFixed = 2;
inline constexpr int32_t kPositionAbsolute = 3;

inline constexpr int32_t kVisibilityHidden = 0;
inline constexpr int32_t kVisibilityVisible = 1;

inline constexpr int32_t kDisplayNone = 0;
inline constexpr int32_t kDisplayDefault = 1;  // the element's own: no keyword, or an unknown one
inline constexpr int32_t kDisplayBlock = 2;
inline constexpr int32_t kDisplayInlineBlock = 3;
inline constexpr int32_t kDisplayInline = 4;

inline constexpr int32_t kOverflowAuto = 1;
inline constexpr int32_t kOverflowScroll = 2;
inline constexpr int32_t kOverflowVisible = 3;
inline constexpr int32_t kOverflowHidden = 4;

inline constexpr int32_t kRepeatNone = 0;
inline constexpr int32_t kRepeat = 1;
inline constexpr int32_t kRepeatX = 2;
inline constexpr int32_t kRepeatY = 3;

inline constexpr int32_t kBackgroundLeft = 0;
inline constexpr int32_t kBackgroundTop = 1;
inline constexpr int32_t kBackgroundRight = 2;
inline constexpr int32_t kBackgroundBottom = 3;
inline constexpr int32_t kBackgroundCenter = 4;

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
