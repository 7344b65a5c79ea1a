#include "xhtml/StyleTables.h"

#include <cmath>
#include <limits>

#include "base/NumberParse.h"
#include "xhtml/CharClass.h"

namespace xhtml {

namespace {

constexpr Keyword kBorderStyle[] = {{u"none", kBorderNone},
                                    {u"hidden", kBorderNone},
                                    {u"dotted", kBorderDotted},
                                    {u"dashed", kBorderDashed},
                                    {u"solid", kBorderSolid}};
constexpr Keyword kTextAlign[] = {{u"center", 2}, {u"left", 1}, {u"right", 3}, {u"justify", 4}};
constexpr Keyword kVerticalAlign[] = {{u"top", 1}, {u"middle", 2}, {u"bottom", 3}, {u"baseline", 3}, {u"text-top", 1}};
constexpr Keyword kFontSize[] = {{u"xx-small", 6}, {u"x-small", 8}, {u"small", 10}, {u"medium", 12}, {u"large", 14},
                                 {u"x-large", 16},  {u"xx-large", 18}, {u"smaller", -2}, {u"larger", 2}};
constexpr Keyword kFontWeight[] = {{u"normal", 400}, {u"bold", 700}, {u"bolder", 800}, {u"lighter", 300},
                                   {u"100", 100},    {u"200", 200},  {u"300", 300},    {u"400", 400},
                                   {u"500", 500},    {u"600", 600},  {u"700", 700},    {u"800", 800},
                                   {u"900", 900}};
constexpr Keyword kCursor[] = {{u"auto", kCursorDefault}, {u"default", kCursorDefault}, {u"pointer", kCursorPointer}};
constexpr Keyword kPosition[] = {{u"static", kPositionStatic},
                                 {u"fixed", kPositionFixed},
                                 {u"relative", kPositionRelative},
                                 {u"absolute", kPositionAbsolute}};
constexpr Keyword kVisibility[] = {{u"hidden", kVisibilityHidden}, {u"visible", kVisibilityVisible}};
constexpr Keyword kDisplay[] = {{u"none", kDisplayNone},
                                {u"block", kDisplayBlock},
                                {u"inline-block", kDisplayInlineBlock},
                                {u"inline", kDisplayInline}};
constexpr Keyword kOverflow[] = {{u"auto", kOverflowAuto},
                                 {u"hidden", kOverflowHidden},
                                 {u"scroll", kOverflowScroll},
                                 {u"visible", kOverflowVisible}};
constexpr Keyword kBackgroundRepeat[] = {
    {u"no-repeat", kRepeatNone}, {u"repeat", kRepeat}, {u"repeat-x", kRepeatX}, {u"repeat-y", kRepeatY}};
constexpr Keyword kBackgroundPosition[] = {{u"left", kBackgroundLeft},
                                           {u"top", kBackgroundTop},
                                           {u"right", kBackgroundRight},
                                           {u"bottom", kBackgroundBottom},
                                           {u"center", kBackgroundCenter}};

constexpr NamedColor kColors[] = {
    {u"AliceBlue", 0x00FFF8F0},
    {u"AntiqueWhite", 0x00D7EBFA},
    {u"Aqua", 0x00FFFF00},
    {u"Aquamarine", 0x00D4FF7F},
    {u"Azure", 0x00FFFFF0},
    {u"Beige", 0x00DCF5F5},
    {u"Bisque", 0x00C4E4FF},
    {u"Black", 0x00000000},
    {u"BlanchedAlmond", 0x00CDEBFF},
    {u"Blue", 0x00FF0000},
    {u"BlueViolet", 0x00E22B8A},
    {u"Brown", 0x002A2AA5},
    {u"Burlywood", 0x0087B8DE},
    {u"CadetBlue", 0x00A09E5F},
    {u"Chartreuse", 0x0000FF7F},
    {u"Chocolate", 0x001E69D2},
    {u"Coral", 0x00507FFF},
    {u"CornflowerBlue", 0x00ED9564},
    {u"Cornsilk", 0x00DCF8FF},
    {u"Crimson", 0x003C14DC},
    {u"Cyan", 0x00FFFF00},
    {u"DarkBlue", 0x008B0000},
    {u"DarkCyan", 0x008B8B00},
    {u"DarkGoldenRod", 0x000B86B8},
    {u"DarkGray", 0x00A9A9A9},
    {u"DarkGreen", 0x00006400},
    {u"DarkKhaki", 0x006BB7BD},
    {u"DarkMagenta", 0x008B008B},
    {u"DarkOliveGreen", 0x002F6B55},
    {u"DarkOrange", 0x00008CFF},
    {u"DarkOrchid", 0x00CC3299},
    {u"DarkRed", 0x0000008B},
    {u"DarkSalmon", 0x007A96E9},
    {u"DarkSeaGreen", 0x008FBC8F},
    {u"DarkSlateBlue", 0x008B3D48},
    {u"DarkSlateGray", 0x004F4F2F},
    {u"DarkTurquoise", 0x00D1CE00},
    {u"DarkViolet", 0x00D30094},
    {u"DeepPink", 0x009314FF},
    {u"DeepSkyBlue", 0x00FFBF00},
    {u"DimGray", 0x00696969},
    {u"DodgerBlue", 0x00FF901E},
    {u"FireBrick", 0x002222B2},
    {u"FloralWhite", 0x00F0FAFF},
    {u"ForestGreen", 0x00228B22},
    {u"Fuchsia", 0x00FF00FF},
    {u"Gainsboro", 0x00DCDCDC},
    {u"GhostWhite", 0x00FFF8F8},
    {u"Gold", 0x0000D7FF},
    {u"GoldenRod", 0x0020A5DA},
    {u"Gray", 0x007F7F7F},
    {u"Green", 0x00008000},
    {u"GreenYellow", 0x002FFFAD},
    {u"HoneyDew", 0x00F0FFF0},
    {u"HotPink", 0x00B469FF},
    {u"IndianRed", 0x005C5CCD},
    {u"Indigo", 0x0082004B},
    {u"Ivory", 0x00F0FFFF},
    {u"Khaki", 0x008CE6F0},
    {u"Lavender", 0x00FAE6E6},
    {u"LavenderBlush", 0x00F5F0FF},
    {u"Lawngreen", 0x0000FC7C},
    {u"LemonChiffon", 0x00CDFAFF},
    {u"LightBlue", 0x00E6D8AD},
    {u"LightCoral", 0x008080F0},
    {u"LightCyan", 0x00FFFFE0},
    {u"LightGoldenRodYellow", 0x00D2FAFA},
    {u"LightGreen", 0x0090EE90},
    {u"LightGrey", 0x00D3D3D3},
    {u"LightPink", 0x00C1B6FF},
    {u"LightSalmon", 0x007AA0FF},
    {u"LightSeaGreen", 0x00AAB220},
    {u"LightSkyBlue", 0x00FACE87},
    {u"LightSlateGray", 0x00998877},
    {u"LightSteelBlue", 0x00DEC4B0},
    {u"LightYellow", 0x00E0FFFF},
    {u"Lime", 0x0000FF00},
    {u"LimeGreen", 0x0032CD32},
    {u"Linen", 0x00E6F0FA},
    {u"Magenta", 0x00FF00FF},
    {u"Maroon", 0x00000080},
    {u"MediumAquamarine", 0x00AACD66},
    {u"MediumBlue", 0x00CD0000},
    {u"MediumOrchid", 0x00D355BA},
    {u"MediumPurple", 0x00DB7093},
    {u"MediumSeaGreen", 0x0071B33C},
    {u"MediumSlateBlue", 0x00EE687B},
    {u"MediumSpringGreen", 0x009AFA00},
    {u"MediumTurquoise", 0x00CCD148},
    {u"MediumVioletRed", 0x008515C7},
    {u"MidnightBlue", 0x00701919},
    {u"MintCream", 0x00FAFFF5},
    {u"MistyRose", 0x00E1E4FF},
    {u"Moccasin", 0x00B5E4FF},
    {u"NavajoWhite", 0x00ADDEFF},
    {u"Navy", 0x00800000},
    {u"OldLace", 0x00E6F5FD},
    {u"Olive", 0x00008080},
    {u"OliveDrab", 0x00238E6B},
    {u"Orange", 0x0000A5FF},
    {u"OrangeRed", 0x000045FF},
    {u"Orchid", 0x00D670DA},
    {u"PaleGoldenRod", 0x00AAE8EE},
    {u"PaleGreen", 0x0098FB98},
    {u"PaleTurquoise", 0x00EEEEAF},
    {u"PaleVioletRed", 0x009370DB},
    {u"PapayaWhip", 0x00D5EFFF},
    {u"PeachPuff", 0x00B9DAFF},
    {u"Peru", 0x003F85CD},
    {u"Pink", 0x00CBC0FF},
    {u"Plum", 0x00DDA0DD},
    {u"PowderBlue", 0x00E6E0B0},
    {u"Purple", 0x00800080},
    {u"Red", 0x000000FF},
    {u"RosyBrown", 0x008F8FBC},
    {u"RoyalBlue", 0x00E16941},
    {u"SaddleBrown", 0x0013458B},
    {u"Salmon", 0x007280FA},
    {u"SandyBrown", 0x0060A4F4},
    {u"SeaGreen", 0x00578B2E},
    {u"SeaShell", 0x00EEF5FF},
    {u"Sienna", 0x002D52A0},
    {u"Silver", 0x00C0C0C0},
    {u"SkyBlue", 0x00EBCE87},
    {u"SlateBlue", 0x00CD5A6A},
    {u"SlateGray", 0x00908070},
    {u"Snow", 0x00FAFAFF},
    {u"SpringGreen", 0x007FFF00},
    {u"SteelBlue", 0x00B48246},
    {u"Tan", 0x008CB4D2},
    {u"Teal", 0x00808000},
    {u"Thistle", 0x00D8BFD8},
    {u"Tomato", 0x004763FF},
    {u"Turquoise", 0x00D0E040},
    {u"Violet", 0x00EE82EE},
    {u"Wheat", 0x00B3DEF5},
    {u"White", 0x00FFFFFF},
    {u"WhiteSmoke", 0x00F5F5F5},
    {u"Yellow", 0x0000FFFF},
    {u"YellowGreen", 0x0032CD9A},
    {u"Transparent", kNoColor},
};

const Keyword* findKeyword(const KeywordTable& table, std::u16string_view text) {
    for (const Keyword& keyword : table.entries) {
        std::u16string_view name = keyword.name;
        if (name.size() != text.size()) continue;
        bool same = true;
        for (size_t i = 0; i < text.size() && same; ++i) same = chars::lowerAscii(text[i]) == name[i];
        if (same) return &keyword;
    }
    return nullptr;
}

// Two characters read as one hex byte; a pair that does not begin with a
// hex digit is 0, a second character that is none ends the number.
uint32_t hexPair(char16_t first, char16_t second) {
    int high = hexDigitValue(first);
    if (high < 0) return 0;
    int low = hexDigitValue(second);
    return low < 0 ? uint32_t(high) : uint32_t(high * 16 + low);
}

}  // namespace

const KeywordTable borderStyleTable{kBorderStyle, kBorderNone};
const KeywordTable textAlignTable{kTextAlign, 0};
const KeywordTable verticalAlignTable{kVerticalAlign, 0};
const KeywordTable fontSizeTable{kFontSize, 0};
const KeywordTable fontWeightTable{kFontWeight, 400};
const KeywordTable cursorTable{kCursor, kCursorDefault};
const KeywordTable positionTable{kPosition, kPositionStatic};
const KeywordTable visibilityTable{kVisibility, kVisibilityVisible};
const KeywordTable displayTable{kDisplay, kDisplayDefault};
const KeywordTable overflowTable{kOverflow, kOverflowAuto};
const KeywordTable backgroundRepeatTable{kBackgroundRepeat, kRepeat};
const KeywordTable backgroundPositionTable{kBackgroundPosition, kBackgroundLeft};
const KeywordTable alignAttributeTable{kTextAlign, 0};
const KeywordTable valignAttributeTable{kVerticalAlign, 0};

int32_t lookupKeyword(const KeywordTable& table, std::u16string_view text) {
    const Keyword* keyword = findKeyword(table, text);
    return keyword ? keyword->value : table.defaultValue;
}

bool isKeyword(const KeywordTable& table, std::u16string_view text) { return findKeyword(table, text) != nullptr; }

std::span<const NamedColor> colorNameTable() { return kColors; }

bool lookupColorName(std::u16string_view text, Color& out) {
    // Names are 3 to 20 letters; "#..." and numbers never are one.
    if (text.size() < 3 || text.size() > 20 || !chars::isLetter(text[0])) return false;
    for (const NamedColor& named : kColors) {
        if (chars::equalsIgnoreCase(text, named.name)) {
            out = named.value;
            return true;
        }
    }
    return false;
}

Color parseColor(std::u16string_view text) {
    Color named = 0;
    if (lookupColorName(text, named)) return named;
    if (text.empty() || text[0] != u'#') return kNoColor;
    uint32_t r = 0, g = 0, b = 0, a = 0;
    switch (text.size()) {
    case 7:
        r = hexPair(text[1], text[2]);
        g = hexPair(text[3], text[4]);
        b = hexPair(text[5], text[6]);
        break;
    case 9:
        r = hexPair(text[1], text[2]);
        g = hexPair(text[3], text[4]);
        b = hexPair(text[5], text[6]);
        a = hexPair(text[7], text[8]);
        break;
    case 4:
        r = hexPair(text[1], text[1]);
        g = hexPair(text[2], text[2]);
        b = hexPair(text[3], text[3]);
        break;
    case 5:
        r = hexPair(text[1], text[1]);
        g = hexPair(text[2], text[2]);
        b = hexPair(text[3], text[3]);
        a = hexPair(text[4], text[4]);
        break;
    default:
        return kNoColor;
    }
    return r | (g << 8) | (b << 16) | (a << 24);
}

StyleValue parseNumber(std::u16string_view text) {
    while (!text.empty() && chars::isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && chars::isSpace(text.back())) text.remove_suffix(1);
    const bool percent = !text.empty() && text.back() == u'%';
    if (text.size() >= 2 && text[0] == u'0' && text[1] == u'x') return StyleValue::makeInt(parseLong(text, 0), percent);
    double value = parseDouble(text);
    // Whole numbers that fit are ints; everything else (fractions, huge
    // values, infinities, NaN) stays a double.
    if (std::isfinite(value) && value == std::trunc(value) && value >= std::numeric_limits<int32_t>::min() &&
        value <= std::numeric_limits<int32_t>::max()) {
        return StyleValue::makeInt(static_cast<int32_t>(value), percent);
    }
    return StyleValue::makeDouble(value, percent);
}

}  // namespace xhtml
