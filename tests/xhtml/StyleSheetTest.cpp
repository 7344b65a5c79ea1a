#include <gtest/gtest.h>

#include "xhtml/BoxView.h"
#include "xhtml/StyleId.h"
#include "xhtml/StyleSheet.h"
#include "xhtml/ViewContext.h"

using namespace xhtml;

namespace {

ViewContext& sharedContext() {
    static ViewContext context;
    return context;
}

// A plain view of the engine with a name, id and classes, styled directly by
// the code under test; get and has read one state's own map.
struct Element : View {
    explicit Element(const char16_t* tag, const char16_t* id = nullptr, const char16_t* cls = nullptr)
        : View(&sharedContext()) {
        setStyle(StyleId::ElementName, StyleValue::makeString(ZString(tag)), 0);
        if (id) setStyle(StyleId::Id, StyleValue::makeString(ZString(id)), 0);
        if (cls) setStyle(StyleId::ClassList, StyleValue::makeString(ZString(cls)), 0);
    }
    bool has(int32_t id, int32_t state = 0) const { return styleEntry(id, state) != nullptr; }
    StyleValue get(int32_t id, int32_t state = 0) const {
        const StyleValue* v = styleEntry(id, state);
        return v ? *v : StyleValue();
    }
};

StyleValue color(Color c) { return StyleValue::makeColor(c); }
StyleValue integer(int32_t n, bool percent = false) { return StyleValue::makeInt(n, percent); }

}  // namespace

TEST(StyleSheetTest, DeclarationsAreTrimmedLowerCasedAndKeptInOrder) {
    StyleDef def;
    parseDeclarations(def, u" Color : RED ;;font-weight:bold; background-image: url(A:B.png); x ; color:blue");
    ASSERT_EQ(def.declarations.size(), 5u);
    EXPECT_EQ(def.declarations[0].first, u"color");
    EXPECT_EQ(def.declarations[0].second, u"red");
    EXPECT_EQ(def.declarations[1].first, u"font-weight");
    EXPECT_EQ(def.declarations[2].second, u"url(a:b.png)") << "a colon inside a value stays";
    EXPECT_EQ(def.declarations[3].first, u"x");
    EXPECT_TRUE(def.declarations[3].second.isEmpty());
    EXPECT_EQ(def.declarations[4].second, u"blue");
}

TEST(StyleSheetTest, SelectorsReadTagClassIdAndState) {
    StyleSelector s;
    std::u16string_view text = u"a.b#c:hover";
    EXPECT_EQ(parseSelector(s, text, 0), int(text.size()));
    EXPECT_EQ(s.tag, u"a");
    EXPECT_EQ(s.cls, u"b#c") << "what follows the class belongs to it";
    EXPECT_TRUE(s.id.isEmpty());
    EXPECT_EQ(s.state, 1);

    const std::pair<const char16_t*, int> states[] = {
        {u"x:hoover", 1}, {u"x:mo", 1}, {u"x:lbd", 2}, {u"x:leftbuttondown", 2},
        {u"x:rbd", 3},    {u"x:rightbuttondown", 3}, {u"x:focus", 0}, {u"x", 0}};
    for (auto [selector, state] : states) {
        parseSelector(s, selector, 0);
        EXPECT_EQ(s.state, state) << std::u16string_view(selector).size();
    }
    parseSelector(s, u"#footer", 0);
    EXPECT_TRUE(s.tag.isEmpty());
    EXPECT_EQ(s.id, u"footer");
}

TEST(StyleSheetTest, SheetsShareOneDefAcrossCommaSelectorsAndStopAtJunk) {
    StyleRules rules;
    parseStyleSheet(rules, u"  <!--\n a, #Footer { color:#fff }\n div a { color:red }\n .toolBtn:hover { "
                           u"background-color:#FFECB5; }\n-->\n p { color:blue }");
    ASSERT_EQ(rules.size(), 4u);
    EXPECT_EQ(rules[0].def.get(), rules[1].def.get());
    EXPECT_EQ(rules[0].def->refCount(), 2);
    EXPECT_EQ(rules[1].selector.id, u"footer") << "selectors are lower-cased";
    EXPECT_EQ(rules[2].selector.tag, u"div") << "the descendant part is ignored";
    EXPECT_EQ(rules[3].selector.cls, u"toolbtn");
    EXPECT_EQ(rules[3].selector.state, 1);

    StyleRules more;
    parseStyleSheet(more, u"a{color:red} /* c */ b{color:blue}");
    EXPECT_EQ(more.size(), 1u) << "a comment cannot begin a selector";
    parseStyleSheet(more, u"*{x:y} b{unclosed");
    EXPECT_EQ(more.size(), 2u) << "rules append; an unclosed rule is dropped";
}

TEST(StyleSheetTest, ClassListsAndMatching) {
    auto classes = splitClassList(u" toolBtn,big;;x : y ");
    ASSERT_EQ(classes.size(), 4u);
    EXPECT_EQ(classes[0], u"toolBtn");
    EXPECT_EQ(classes[3], u"y");

    StyleSelector s;
    s.cls = u"toolbtn";
    EXPECT_TRUE(matchSelector(s, 0, u"a", u"", classes));
    EXPECT_FALSE(matchSelector(s, 1, u"a", u"", classes)) << "states must be equal";
    EXPECT_FALSE(matchSelector(s, 0, u"a", u"", {}));
    s.cls = u"*";
    EXPECT_TRUE(matchSelector(s, 0, u"a", u"", {}));
    s = StyleSelector{u"DIV", u"Main", u"", 0};
    EXPECT_TRUE(matchSelector(s, 0, u"div", u"main", {}));
    EXPECT_FALSE(matchSelector(s, 0, u"div", u"other", {}));
    EXPECT_FALSE(matchSelector(s, 0, u"span", u"main", {}));
    EXPECT_TRUE(matchSelector(StyleSelector{u"*", u"*", u"", 0}, 0, u"p", u"", {}));
}

TEST(StyleSheetTest, CascadeAppliesRulesInOrderThenInlineStylePerState) {
    StyleRules rules;
    parseStyleSheet(rules, u".toolBtn:hover { background-color:#FFECB5; } a { color:red } "
                           u"#go { color:green; width:5 } x:focus { height:7 }");
    Element a(u"a", u"GO", u"big toolBtn");
    a.setStyle(StyleId::InlineStyle, StyleValue::makeString(u"width:9"), 0);
    a.setStyle(StyleId::InlineStyle, StyleValue::makeString(u"color:blue"), 1);
    for (int state = 0; state < kStateCount; ++state) applyStyles(a, state, rules);

    EXPECT_EQ(a.get(StyleId::BackgroundColor, 1), color(0x00B5ECFF));
    EXPECT_FALSE(a.has(StyleId::BackgroundColor, 0));
    EXPECT_EQ(a.get(StyleId::Color), color(0x00008000)) << "the later rule wins";
    EXPECT_EQ(a.get(StyleId::Width), integer(9)) << "the style attribute wins over rules";
    EXPECT_EQ(a.get(StyleId::Color, 1), color(0x00FF0000)) << "moStyle feeds the hover map";
    EXPECT_FALSE(a.has(StyleId::Width, 1)) << "the normal inline style is not repeated per state";

    Element x(u"X");
    applyStyles(x, 0, rules);
    EXPECT_EQ(x.get(StyleId::Height), integer(7)) << "an unknown pseudo class feeds the normal state";
}

// Declarations of every kind (numbers, colours, keywords, borders, fonts,
// text decoration, backgrounds and gradients) are shown in cascade.dump.

TEST(StyleSheetTest, BorderShorthandErasesSideColoursOfTheNormalStateOnly) {
    Element e(u"td");
    e.setStyle(StyleId::BorderTopColor, color(1), 0);
    e.setStyle(StyleId::BorderTopColor, color(2), 1);
    StyleDef def;
    parseDeclarations(def, u"border: 1px solid #E5C365");
    applyStyleDef(e, 1, def);
    EXPECT_EQ(e.get(StyleId::BorderWidth, 1), integer(1));
    EXPECT_EQ(e.get(StyleId::BorderStyle, 1), integer(1));
    EXPECT_EQ(e.get(StyleId::BorderColor, 1), color(0x0065C3E5));
    EXPECT_FALSE(e.has(StyleId::BorderTopColor, 0)) << "side colours go from the normal map";
    EXPECT_TRUE(e.has(StyleId::BorderTopColor, 1)) << "but not from the state being applied";
}

TEST(StyleSheetTest, FontsAreReadRelativeToTheInheritedSize) {
    BoxView parent(&sharedContext());
    parent.setStyle(StyleId::FontSize, integer(20), 0);
    auto& e = *new Element(u"div");
    parent.appendChild(&e);
    StyleDef def;
    parseDeclarations(def, u"font-family:verdana, sans-serif; font-weight:bolder; font-style:italic; "
                           u"font-size:smaller; text-decoration:underline");
    applyStyleDef(e, 0, def);
    EXPECT_EQ(e.get(StyleId::FontFamily), StyleValue::makeString(u"verdana"));
    EXPECT_EQ(e.get(StyleId::FontWeight), integer(800));
    EXPECT_EQ(e.get(StyleId::Italic), StyleValue::makeBool(true));
    EXPECT_EQ(e.get(StyleId::FontSize), integer(18)) << "smaller is relative to the inherited size";
    EXPECT_EQ(e.get(StyleId::Underline), StyleValue::makeBool(true));
}

TEST(StyleSheetTest, SharedDefinitionsConvertPerViewAndFollowLaterDeclarations) {
    IPtr<StyleDef> def(new StyleDef);
    parseDeclarations(*def, u"font-size:larger");
    Element small(u"p"), big(u"p");
    small.setStyle(StyleId::FontSize, integer(10), 0);
    big.setStyle(StyleId::FontSize, StyleValue::makeDouble(20.5), 0);
    applyStyleDef(small, 0, *def);
    applyStyleDef(big, 0, *def);
    EXPECT_EQ(small.get(StyleId::FontSize), integer(12));
    EXPECT_EQ(big.get(StyleId::FontSize), StyleValue::makeDouble(22.5)) << "the base is each view's own";
    applyStyleDef(small, 0, *def);
    EXPECT_EQ(small.get(StyleId::FontSize), integer(14)) << "relative again to what is stored now";

    parseDeclarations(*def, u"color:red");
    applyStyleDef(big, 2, *def);
    EXPECT_EQ(big.get(StyleId::Color, 2), color(0x000000FF)) << "declarations added later are applied";
}
