#include "xhtml/StyleSheet.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>
#include <limits>

#include "xhtml/CharClass.h"
#include "xhtml/StyleId.h"
#include "xhtml/StyleTables.h"

namespace xhtml {

namespace {

using Text = std::u16string_view;
using chars::isSpace;

size_t skipSpace(Text t, size_t p) {
    while (p < t.size() && isSpace(t[p])) ++p;
    return p;
}

Text trimView(Text t) {
    while (!t.empty() && isSpace(t.front())) t.remove_prefix(1);
    while (!t.empty() && isSpace(t.back())) t.remove_suffix(1);
    return t;
}

// Runs of non-space characters separated by spaces.
std::vector<Text> splitWords(Text t) {
    std::vector<Text> words;
    size_t p = 0;
    while (p < t.size()) {
        while (p < t.size() && t[p] == u' ') ++p;
        size_t start = p;
        while (p < t.size() && t[p] != u' ') ++p;
        if (p > start) words.push_back(t.substr(start, p - start));
    }
    return words;
}

bool isAnyOf(char16_t c, Text set) { return set.find(c) != Text::npos; }

size_t runUntil(Text t, size_t p, Text stops) {
    while (p < t.size() && !isAnyOf(t[p], stops) && !isSpace(t[p])) ++p;
    return p;
}

int32_t stateForPseudo(Text word) {
    if (word == u"hoover" || word == u"hover" || word == u"mo") return kStateHover;
    if (word == u"lbd" || word == u"leftbuttondown") return kStateLeftDown;
    if (word == u"rbd" || word == u"rightbuttondown") return kStateRightDown;
    return kStateNormal;
}

bool matchesPart(const ZString& part, Text value) {
    return part.isEmpty() || part == u"*" || chars::equalsIgnoreCase(part.view(), value);
}

StyleValue numberFromDouble(double value) {
    if (std::isfinite(value) && value == std::trunc(value) && value >= std::numeric_limits<int32_t>::min() &&
        value <= std::numeric_limits<int32_t>::max()) {
        return StyleValue::makeInt(static_cast<int32_t>(value));
    }
    return StyleValue::makeDouble(value);
}

using Ops = std::vector<StyleOp>;

void store(Ops& ops, int32_t id, StyleValue value) { ops.push_back(StyleOp{StyleOp::Store, id, std::move(value)}); }

void storeKeyword(Ops& ops, int32_t id, const KeywordTable& table, Text value) {
    store(ops, id, StyleValue::makeInt(lookupKeyword(table, value)));
}

// A border colour for all sides drops the per-side colours of the normal
// state, whatever state is being applied.
void eraseSideColors(Ops& ops) { ops.push_back(StyleOp{StyleOp::EraseSideColors, 0, StyleValue()}); }

void applyBorderShorthand(Ops& ops, Text value, int32_t widthId, int32_t styleId,
                          int32_t colorId) {
    for (Text word : splitWords(value)) {
        Color named = 0;
        if (chars::isDigit(word[0])) {
            store(ops, widthId, parseNumber(word));
        } else if (word[0] == u'#' || lookupColorName(word, named)) {
            store(ops, colorId, StyleValue::makeColor(parseColor(word)));
            if (colorId == StyleId::BorderColor) eraseSideColors(ops);
        } else if (isKeyword(borderStyleTable, word)) {
            storeKeyword(ops, styleId, borderStyleTable, word);
        }
    }
}

void applyFontSize(Ops& ops, Text value) {
    if (value == u"smaller" || value == u"larger") {
        ops.push_back(StyleOp{StyleOp::RelativeFontSize, StyleId::FontSize, StyleValue::makeInt(value == u"smaller" ? -2 : 2)});
    } else if (isKeyword(fontSizeTable, value)) {
        storeKeyword(ops, StyleId::FontSize, fontSizeTable, value);
    } else {
        store(ops, StyleId::FontSize, parseNumber(value));
    }
}

void applyBackgroundImage(Ops& ops, Text value) {
    if (value.substr(0, 3) != u"url") return;
    size_t open = value.find(u'(');
    if (open == Text::npos) return;
    size_t close = value.find(u')', open + 1);
    Text inside = trimView(value.substr(open + 1, close == Text::npos ? Text::npos : close - open - 1));
    if (!inside.empty()) store(ops, StyleId::BackgroundImage, StyleValue::makeString(ZString(inside)));
}

StyleValue backgroundPositionWord(Text word) {
    if (chars::isDigit(word[0])) return parseNumber(word);
    return StyleValue::makeInt(lookupKeyword(backgroundPositionTable, word));
}

void applyBackgroundPosition(Ops& ops, Text value) {
    std::vector<Text> words = splitWords(value);
    if (words.size() >= 1) store(ops, StyleId::BackgroundPositionX, backgroundPositionWord(words[0]));
    if (words.size() >= 2) store(ops, StyleId::BackgroundPositionY, backgroundPositionWord(words[1]));
}

void applyGradient(Ops& ops, Text value) {
    std::vector<Text> words = splitWords(value);
    if (words.size() != 3) return;
    int32_t mode = 1;
    if (words[2] == u"horizontal") {
        mode = 0;
    } else if (words[2] == u"forward-diagonal" || words[2] == u"diagonal") {
        mode = 2;
    } else if (words[2] == u"backward-diagonal") {
        mode = 3;
    }
    store(ops, StyleId::GradientOn, StyleValue::makeBool(true));
    store(ops, StyleId::GradientStart, StyleValue::makeColor(parseColor(words[0])));
    store(ops, StyleId::GradientEnd, StyleValue::makeColor(parseColor(words[1])));
    store(ops, StyleId::GradientMode, StyleValue::makeInt(mode));
}

void applyTextDecoration(Ops& ops, Text value) {
    if (value == u"underline") {
        store(ops, StyleId::Underline, StyleValue::makeBool(true));
    } else if (value == u"line-through") {
        store(ops, StyleId::LineThrough, StyleValue::makeBool(true));
    } else if (value == u"overline") {
        store(ops, StyleId::Overline, StyleValue::makeBool(true));
    } else if (value == u"none") {
        store(ops, StyleId::Overline, StyleValue::makeBool(false));
        store(ops, StyleId::LineThrough, StyleValue::makeBool(false));
        store(ops, StyleId::Underline, StyleValue::makeBool(false));
    }
}

struct NamedId {
    const char16_t* name;
    int32_t id;
};

constexpr NamedId kNumberProperties[] = {
    {u"width", StyleId::Width},
    {u"height", StyleId::Height},
    {u"min-width", StyleId::MinWidth},
    {u"min-height", StyleId::MinHeight},
    {u"border-width", StyleId::BorderWidth},
    {u"border-left-width", StyleId::BorderLeftWidth},
    {u"border-top-width", StyleId::BorderTopWidth},
    {u"border-right-width", StyleId::BorderRightWidth},
    {u"border-bottom-width", StyleId::BorderBottomWidth},
    {u"padding", StyleId::Padding},
    {u"padding-left", StyleId::PaddingLeft},
    {u"padding-top", StyleId::PaddingTop},
    {u"padding-right", StyleId::PaddingRight},
    {u"padding-bottom", StyleId::PaddingBottom},
    {u"margin", StyleId::Margin},
    {u"margin-left", StyleId::MarginLeft},
    {u"margin-top", StyleId::MarginTop},
    {u"margin-right", StyleId::MarginRight},
    {u"margin-bottom", StyleId::MarginBottom},
    {u"top", StyleId::Top},
    {u"left", StyleId::Left},
    {u"right", StyleId::Right},
    {u"bottom", StyleId::Bottom},
    {u"opacity", StyleId::Opacity},
    {u"line-spacing", StyleId::LineSpacing},
    {u"cell-spacing", StyleId::CellSpacing},
    {u"cell-padding", StyleId::CellPadding},
};

constexpr NamedId kColorProperties[] = {
    {u"color", StyleId::Color},
    {u"background-color", StyleId::BackgroundColor},
    {u"border-left-color", StyleId::BorderLeftColor},
    {u"border-top-color", StyleId::BorderTopColor},
    {u"border-right-color", StyleId::BorderRightColor},
    {u"border-bottom-color", StyleId::BorderBottomColor},
};

struct KeywordProperty {
    const char16_t* name;
    int32_t id;
    const KeywordTable* table;
};

const KeywordProperty kKeywordProperties[] = {
    {u"text-align", StyleId::TextAlign, &textAlignTable},
    {u"vertical-align", StyleId::VerticalAlign, &verticalAlignTable},
    {u"vertical-align-content", StyleId::VerticalAlignContent, &verticalAlignTable},
    {u"vertical-align-line", StyleId::VerticalAlignLine, &verticalAlignTable},
    {u"font-weight", StyleId::FontWeight, &fontWeightTable},
    {u"cursor", StyleId::Cursor, &cursorTable},
    {u"position", StyleId::Position, &positionTable},
    {u"background-repeat", StyleId::BackgroundRepeat, &backgroundRepeatTable},
    {u"visibility", StyleId::Visibility, &visibilityTable},
    {u"display", StyleId::Display, &displayTable},
    {u"overflow-x", StyleId::OverflowX, &overflowTable},
    {u"overflow-y", StyleId::OverflowY, &overflowTable},
};

constexpr NamedId kBorderStyleProperties[] = {
    {u"border-style", StyleId::BorderStyle},
    {u"border-left-style", StyleId::BorderLeftStyle},
    {u"border-top-style", StyleId::BorderTopStyle},
    {u"border-right-style", StyleId::BorderRightStyle},
    {u"border-bottom-style", StyleId::BorderBottomStyle},
};

struct BorderSide {
    const char16_t* name;
    int32_t widthId, styleId, colorId;
};

constexpr BorderSide kBorderShorthands[] = {
    {u"border", StyleId::BorderWidth, StyleId::BorderStyle, StyleId::BorderColor},
    {u"border-left", StyleId::BorderLeftWidth, StyleId::BorderLeftStyle, StyleId::BorderLeftColor},
    {u"border-top", StyleId::BorderTopWidth, StyleId::BorderTopStyle, StyleId::BorderTopColor},
    {u"border-right", StyleId::BorderRightWidth, StyleId::BorderRightStyle, StyleId::BorderRightColor},
    {u"border-bottom", StyleId::BorderBottomWidth, StyleId::BorderBottomStyle, StyleId::BorderBottomColor},
};

void convertDeclaration(Ops& ops, Text name, Text value) {
    if (name.substr(0, 3) == u"-c-") name.remove_prefix(3);
    for (const NamedId& p : kNumberProperties) {
        if (name == p.name) return store(ops, p.id, parseNumber(value));
    }
    for (const NamedId& p : kColorProperties) {
        if (name == p.name) return store(ops, p.id, StyleValue::makeColor(parseColor(value)));
    }
    for (const KeywordProperty& p : kKeywordProperties) {
        if (name == p.name) return storeKeyword(ops, p.id, *p.table, value);
    }
    for (const NamedId& p : kBorderStyleProperties) {
        if (name == p.name) {
            int32_t style = lookupKeyword(borderStyleTable, value);
            if (style != 0) store(ops, p.id, StyleValue::makeInt(style));
            return;
        }
    }
    for (const BorderSide& side : kBorderShorthands) {
        if (name == side.name) return applyBorderShorthand(ops, value, side.widthId, side.styleId, side.colorId);
    }
    if (name == u"border-color") {
        store(ops, StyleId::BorderColor, StyleValue::makeColor(parseColor(value)));
        eraseSideColors(ops);
    } else if (name == u"text-decoration") {
        applyTextDecoration(ops, value);
    } else if (name == u"font-family") {
        store(ops, StyleId::FontFamily, StyleValue::makeString(ZString(value.substr(0, value.find(u',')))));
    } else if (name == u"font-size") {
        applyFontSize(ops, value);
    } else if (name == u"font-style") {
        if (value == u"italic") store(ops, StyleId::Italic, StyleValue::makeBool(true));
    } else if (name == u"background-image") {
        applyBackgroundImage(ops, value);
    } else if (name == u"background-position") {
        applyBackgroundPosition(ops, value);
    } else if (name == u"background-gradient") {
        applyGradient(ops, value);
    } else if (name == u"overflow") {
        storeKeyword(ops, StyleId::OverflowX, overflowTable, value);
        storeKeyword(ops, StyleId::OverflowY, overflowTable, value);
    } else if (name == u"white-space") {
        if (value == u"nowrap" || value == u"nobreak") store(ops, StyleId::NoWrap, StyleValue::makeBool(true));
    }
}

void lowerInPlace(std::u16string& text) {
    for (char16_t& c : text) c = chars::lowerAscii(c);
}

void flushDeclaration(StyleDef& styleDef, std::u16string& name, std::u16string& value) {
    const Text trimmedName = trimView(name);
    if (!trimmedName.empty()) {
        lowerInPlace(name);
        lowerInPlace(value);
        styleDef.declarations.emplace_back(std::piecewise_construct, std::forward_as_tuple(trimmedName),
                                           std::forward_as_tuple(trimView(value)));
    }
    name.clear();
    value.clear();
}

}  // namespace

void parseDeclarations(StyleDef& styleDef, std::u16string_view text) {
    // Growing the list would move, and so reallocate, every string in it.
    styleDef.declarations.reserve(styleDef.declarations.size() + 1 +
                                  static_cast<size_t>(std::count(text.begin(), text.end(), u';')));
    std::u16string name;
    std::u16string value;
    bool inValue = false;
    for (char16_t c : text) {
        if (c == u';') {
            flushDeclaration(styleDef, name, value);
            inValue = false;
        } else if (!inValue && c == u':') {
            inValue = true;
        } else {
            (inValue ? value : name).push_back(c);
        }
    }
    flushDeclaration(styleDef, name, value);
}

int parseSelector(StyleSelector& selector, std::u16string_view text, int position) {
    const Text t = text;
    size_t p = skipSpace(t, position < 0 ? 0 : static_cast<size_t>(position));
    size_t start = p;
    p = runUntil(t, p, u".#,:");
    ZString tag(t.substr(start, p - start));
    ZString id;
    ZString cls;
    if (p < t.size() && (t[p] == u'.' || t[p] == u'#')) {
        const bool isClass = t[p] == u'.';
        start = ++p;
        p = runUntil(t, p, u",:");
        (isClass ? cls : id) = ZString(t.substr(start, p - start));
    }
    p = skipSpace(t, p);
    int32_t state = kStateNormal;
    if (p < t.size() && t[p] == u':') {
        start = ++p;
        p = runUntil(t, p, u",");
        state = stateForPseudo(ZString(t.substr(start, p - start)).toLower().view());
    }
    selector.tag = tag.trimmed();
    selector.id = id.trimmed();
    selector.cls = cls.trimmed();
    selector.state = state;
    return static_cast<int>(p);
}

void parseStyleSheet(StyleRules& rules, std::u16string_view text) {
    const Text t = text;
    size_t p = skipSpace(t, 0);
    if (chars::startsWithIgnoreCase(t, p, u"<!--")) p += 4;
    while (true) {
        p = skipSpace(t, p);
        if (p >= t.size()) return;
        const char16_t c = t[p];
        if (c != u'#' && c != u'*' && c != u'.' && !chars::isLetter(c)) return;
        size_t open = t.find(u'{', p);
        if (open == Text::npos) return;
        size_t close = t.find(u'}', open + 1);
        if (close == Text::npos) return;
        ZString selectors = ZString(trimView(t.substr(p, open - p))).toLower();
        Text declarations = trimView(t.substr(open + 1, close - open - 1));
        p = close + 1;

        IPtr<StyleDef> styleDef(new StyleDef);
        parseDeclarations(*styleDef, declarations);
        const Text s = selectors.view();
        size_t q = 0;
        while (true) {
            StyleSelector selector;
            q = static_cast<size_t>(parseSelector(selector, s, static_cast<int>(q)));
            rules.push_back(StyleRule{std::move(selector), styleDef});
            q = skipSpace(s, q);
            if (q < s.size() && s[q] == u',') {
                ++q;
                continue;
            }
            break;
        }
    }
}

namespace {

template <class Piece>
void splitClasses(std::u16string_view classText, std::vector<Piece>& classes) {
    size_t p = 0;
    while (p <= classText.size()) {
        size_t end = p;
        while (end < classText.size() && !isAnyOf(classText[end], u" ,:;")) ++end;
        Text piece = trimView(classText.substr(p, end - p));
        if (!piece.empty()) classes.emplace_back(piece);
        p = end + 1;
    }
}

bool hasClass(const ZString& wanted, const std::vector<Text>& classList) {
    for (Text cls : classList) {
        if (chars::equalsIgnoreCase(wanted.view(), cls)) return true;
    }
    return false;
}

bool matchParts(const StyleSelector& selector, int32_t state, Text tag, Text id) {
    return selector.state == state && matchesPart(selector.tag, tag) && matchesPart(selector.id, id);
}

}  // namespace

std::vector<ZString> splitClassList(std::u16string_view classText) {
    std::vector<ZString> classes;
    splitClasses(classText, classes);
    return classes;
}

bool matchSelector(const StyleSelector& selector, int32_t state, std::u16string_view tag, std::u16string_view id,
                   const std::vector<ZString>& classList) {
    if (selector.state != state) return false;
    if (!matchesPart(selector.tag, tag)) return false;
    if (!matchesPart(selector.id, id)) return false;
    if (selector.cls.isEmpty() || selector.cls == u"*") return true;
    for (const ZString& cls : classList) {
        if (chars::equalsIgnoreCase(selector.cls.view(), cls.view())) return true;
    }
    return false;
}

void applyStyleDef(StyleTarget& view, int32_t state, const StyleDef& styleDef) {
    if (styleDef.opsFor_ != styleDef.declarations.size()) {
        styleDef.ops_.clear();
        for (const StyleDef::Declaration& declaration : styleDef.declarations) {
            convertDeclaration(styleDef.ops_, declaration.first.view(), declaration.second.view());
        }
        styleDef.opsFor_ = styleDef.declarations.size();
    }
    for (const StyleOp& op : styleDef.ops_) {
        switch (op.kind) {
        case StyleOp::Store:
            view.setStyle(op.id, op.value, state);
            break;
        case StyleOp::EraseSideColors:
            for (int32_t id = StyleId::BorderLeftColor; id <= StyleId::BorderBottomColor; ++id) {
                view.setStyle(id, StyleValue(), kStateNormal);
            }
            break;
        case StyleOp::RelativeFontSize: {
            double base = 13;
            StyleValue inherited;
            if (view.findInheritedStyle(StyleId::FontSize, inherited, state) &&
                inherited.kind() <= StyleValue::Colour) {
                base = inherited.toDouble();
            }
            view.setStyle(op.id, numberFromDouble(base + op.value.asInt()), state);
            break;
        }
        }
    }
}

void applyStyles(StyleTarget& view, int32_t state, const StyleRules& rules) {
    // Copies, because applying may store into the maps these come from.
    auto stringOf = [&](int32_t id, int32_t inState) {
        const StyleValue* value = view.styleEntry(id, inState);
        return value ? value->asString() : ZString();
    };
    const ZString tag = stringOf(StyleId::ElementName, kStateNormal);
    const ZString id = stringOf(StyleId::Id, kStateNormal);
    const ZString classText = stringOf(StyleId::ClassList, kStateNormal);
    std::vector<Text> classes;
    splitClasses(classText.view(), classes);
    for (const StyleRule& rule : rules) {
        const StyleSelector& selector = rule.selector;
        if (!rule.def || !matchParts(selector, state, tag.view(), id.view())) continue;
        if (!selector.cls.isEmpty() && !(selector.cls == u"*") && !hasClass(selector.cls, classes)) continue;
        applyStyleDef(view, state, *rule.def);
    }
    const StyleValue* inlineStyle = view.styleEntry(StyleId::InlineStyle, state);
    if (inlineStyle && !inlineStyle->asString().isEmpty()) {
        IPtr<StyleDef> inlineDef(new StyleDef);
        parseDeclarations(*inlineDef, inlineStyle->asString().view());
        applyStyleDef(view, state, *inlineDef);
    }
}

}  // namespace xhtml
