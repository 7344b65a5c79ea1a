#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/CLocale.h"
#include "xhtml/StyleDef.h"
#include "xhtml/StyleTables.h"
#include "xhtml/StyleValue.h"

using namespace xhtml;

TEST(StyleValueTest, StringsAreOwnedPerCopy) {
    StyleValue a = StyleValue::makeString(u"abc");
    StyleValue b = a;
    EXPECT_NE(&a.asString(), &b.asString());
    EXPECT_EQ(a, b);
    StyleValue moved = std::move(b);
    EXPECT_TRUE(b.isUnset());
    EXPECT_EQ(moved.asString(), u"abc");
    a = StyleValue::makeInt(3);
    EXPECT_EQ(a.kind(), StyleValue::Int);
    a = a;
    EXPECT_EQ(a.asInt(), 3);
}

TEST(StyleValueTest, EqualityComparesTypeWordAndPayload) {
    EXPECT_EQ(StyleValue(), StyleValue());
    EXPECT_NE(StyleValue::makeInt(100), StyleValue::makeInt(100, true)) << "the percent flag counts";
    EXPECT_NE(StyleValue::makeInt(1), StyleValue::makeDouble(1.0)) << "kinds count";
    EXPECT_NE(StyleValue::makeString(u"A"), StyleValue::makeString(u"a"));
    EXPECT_NE(StyleValue::makeBool(true), StyleValue::makeBool(false));
    const double nan = std::nan("");
    EXPECT_NE(StyleValue::makeDouble(nan), StyleValue::makeDouble(nan));
    EXPECT_EQ(StyleValue::makeColor(kNoColor), StyleValue::makeColor(0xFF000000u));
}

TEST(StyleValueTest, ToDoubleForEveryKind) {
    EXPECT_EQ(StyleValue().toDouble(), 0.0);
    EXPECT_EQ(StyleValue::makeString(u"2.5").toDouble(), 2.5);
    EXPECT_EQ(StyleValue::makeBool(true).toDouble(), 1.0);
    EXPECT_EQ(StyleValue::makeInt(-7).toDouble(), -7.0);
    EXPECT_EQ(StyleValue::makeColor(0xFF000000u).toDouble(), 4278190080.0);
    EXPECT_EQ(StyleValue::makeDouble(1.25, true).toDouble(), 1.25);
    try {
        StyleValue::withTypeWord(6).toDouble();
        FAIL() << "kind 6 must throw";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "type not supported for toDouble");
    }
}

TEST(StyleValueTest, StringNumbersIgnoreTheProcessLocale) {
    locale_t german = newlocale(LC_NUMERIC_MASK, "de_DE.UTF-8", static_cast<locale_t>(0));
    if (!german) GTEST_SKIP() << "no German locale installed";
    locale_t previous = uselocale(german);
    EXPECT_EQ(StyleValue::makeString(u"2.5").toDouble(), 2.5);
    EXPECT_EQ(parseNumber(u"12.5px"), StyleValue::makeDouble(12.5));
    uselocale(previous);
    freelocale(german);
}

TEST(StyleValueTest, Colours) {
    EXPECT_EQ(parseColor(u"red"), 0x000000FFu);
    EXPECT_EQ(parseColor(u"RED"), 0x000000FFu);
    EXPECT_EQ(parseColor(u"#F00"), 0x000000FFu);
    EXPECT_EQ(parseColor(u"#fff"), 0x00FFFFFFu);
    EXPECT_EQ(parseColor(u"#FFECB5"), 0x00B5ECFFu);
    EXPECT_EQ(parseColor(u"#12345678"), 0x78563412u);
    EXPECT_EQ(parseColor(u"#1234"), 0x44332211u);
    EXPECT_EQ(parseColor(u"#12345"), kNoColor);
    EXPECT_EQ(parseColor(u""), kNoColor);
    EXPECT_EQ(parseColor(u"123456"), kNoColor);
    EXPECT_EQ(parseColor(u"gray"), 0x007F7F7Fu);
    EXPECT_EQ(parseColor(u"transparent"), kNoColor);
    EXPECT_EQ(parseColor(u"#g0a0b0"), 0x00B0A000u) << "a pair not starting with a hex digit reads 0";
    EXPECT_EQ(parseColor(u"#1g0000"), 0x00000001u) << "a pair stops at its first non-hex digit";
    EXPECT_EQ(parseColor(u"rebeccapurple"), kNoColor);
    EXPECT_EQ(parseColor(u"grey"), kNoColor) << "only the listed spellings are known";
    EXPECT_EQ(parseColor(u"lightgrey"), 0x00D3D3D3u);
}

TEST(StyleValueTest, ColourTableHasEveryNameOnce) {
    auto table = colorNameTable();
    ASSERT_EQ(table.size(), 141u);
    EXPECT_EQ(std::u16string_view(table.front().name), u"AliceBlue");
    EXPECT_EQ(std::u16string_view(table.back().name), u"Transparent");
    for (size_t i = 0; i + 1 < table.size(); ++i) {
        Color value = 0;
        ASSERT_TRUE(lookupColorName(table[i].name, value));
        // Aqua/Cyan and Fuchsia/Magenta share values; names never repeat.
        EXPECT_EQ(value, table[i].value) << i;
        EXPECT_EQ(value & 0xFF000000u, 0u) << i;
    }
    EXPECT_EQ(parseColor(u"YellowGreen"), makeColor(0x9A, 0xCD, 0x32));
    EXPECT_EQ(parseColor(u"cornflowerblue"), makeColor(0x64, 0x95, 0xED));
}

TEST(StyleValueTest, Numbers) {
    EXPECT_EQ(parseNumber(u"100%"), StyleValue::makeInt(100, true));
    EXPECT_EQ(parseNumber(u" 12.5px "), StyleValue::makeDouble(12.5));
    EXPECT_EQ(parseNumber(u"0x10"), StyleValue::makeInt(16));
    EXPECT_EQ(parseNumber(u"0X10"), StyleValue::makeInt(16)) << "an upper-case X is read as a decimal float";
    EXPECT_EQ(parseNumber(u"auto"), StyleValue::makeInt(0));
    EXPECT_EQ(parseNumber(u"-3em"), StyleValue::makeInt(-3));
    EXPECT_EQ(parseNumber(u"12.0"), StyleValue::makeInt(12));
    EXPECT_EQ(parseNumber(u"50.5%"), StyleValue::makeDouble(50.5, true));
    EXPECT_EQ(parseNumber(u"1e20"), StyleValue::makeDouble(1e20)) << "too big for an int";
    EXPECT_EQ(parseNumber(u"0x"), StyleValue::makeInt(0));
    EXPECT_EQ(parseNumber(u""), StyleValue::makeInt(0));
}

// The tables' values show in the style sheet and view tree tests; here the
// lookup itself: any case, and the table's default for an unknown word.
TEST(StyleValueTest, KeywordLookupIgnoresCaseAndFallsBackToTheDefault) {
    EXPECT_EQ(lookupKeyword(borderStyleTable, u"SOLID"), 1);
    EXPECT_EQ(lookupKeyword(borderStyleTable, u"groove"), 0);
    EXPECT_TRUE(isKeyword(borderStyleTable, u"hidden"));
    EXPECT_FALSE(isKeyword(borderStyleTable, u"groove"));
    EXPECT_EQ(lookupKeyword(fontWeightTable, u"600"), 600);
    EXPECT_EQ(lookupKeyword(fontWeightTable, u"650"), 400);
    EXPECT_EQ(lookupKeyword(alignAttributeTable, u"Center"), 2);
}

TEST(StyleValueTest, SharedDefinitionsDieWithTheirLastHolder) {
    struct Probe : StyleDef {
        explicit Probe(bool& flag) : deleted(flag) {}
        ~Probe() override { deleted = true; }
        bool& deleted;
    };
    bool deleted = false;
    {
        IPtr<StyleDef> first(new Probe(deleted));
        EXPECT_EQ(first->refCount(), 1);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([first] {
                for (int i = 0; i < 10000; ++i) IPtr<StyleDef> copy(first);
            });
        }
        for (auto& thread : threads) thread.join();
        EXPECT_EQ(first->refCount(), 1);
        EXPECT_FALSE(deleted);
    }
    EXPECT_TRUE(deleted);
}
