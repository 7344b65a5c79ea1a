#include <gtest/gtest.h>

#include <set>

#include "xhtml/Entities.h"

using namespace xhtml;

namespace {

ZString decoded(const char16_t* text) {
    ZString s(text);
    decodeEntities(s);
    return s;
}

}  // namespace

TEST(EntityDecodingTest, NamedReferencesAreCaseSensitive) {
    EXPECT_EQ(decoded(u"a&amp;b"), u"a&b");
    EXPECT_EQ(decoded(u"&lt;p&gt; &quot;x&quot;"), u"<p> \"x\"");
    EXPECT_EQ(decoded(u"&nbsp;"), u"\u00A0");
    EXPECT_EQ(decoded(u"&Auml;&auml;"), u"\u00C4\u00E4");
    EXPECT_EQ(decoded(u"&AMP;"), u"&AMP;");
    EXPECT_EQ(decoded(u"&euro;&trade;&hellip;"), u"\u20AC\u2122\u2026");
    EXPECT_EQ(decoded(u"&apos;&hearts;&alpha;"), u"&apos;&hearts;&alpha;") << "later HTML names are unknown";
}

TEST(EntityDecodingTest, NumericReferencesInEveryBase) {
    EXPECT_EQ(decoded(u"&#65;"), u"A");
    EXPECT_EQ(decoded(u"&#x41;&#X41;&#0x41;&#0X41;"), u"AAAA");
    EXPECT_EQ(decoded(u"&#065;"), u"5") << "a leading zero means octal";
    EXPECT_EQ(decoded(u"&#8364;"), u"\u20AC");
    EXPECT_EQ(decoded(u"&#65601;"), u"A") << "only the low 16 bits are kept";
}

TEST(EntityDecodingTest, MalformedReferencesStayLiteral) {
    EXPECT_EQ(decoded(u"&#;"), u"&#;");
    EXPECT_EQ(decoded(u"&#x;&#0x;&#0;"), u"&#x;&#0x;&#0;") << "too short for their base";
    EXPECT_EQ(decoded(u"&#12a;&#-5;&#xZ;"), u"&#12a;&#-5;&#xZ;");
    EXPECT_EQ(decoded(u"&#09;"), u"&#09;") << "9 is no octal digit";
    EXPECT_EQ(decoded(u"a & b"), u"a & b");
    EXPECT_EQ(decoded(u"&amp &lt;"), u"&amp <") << "no ; before the next & copies up to it";
    EXPECT_EQ(decoded(u"&&&amp;"), u"&&&");
    EXPECT_EQ(decoded(u"tail &amp"), u"tail &amp");
    EXPECT_EQ(decoded(u"&bogus;"), u"&bogus;");
}

TEST(EntityDecodingTest, TableHasEveryNameOnceWithLatinOneInOrder) {
    auto table = entityTable();
    ASSERT_EQ(table.size(), 125u);
    std::set<std::u16string_view> names;
    for (const Entity& e : table) names.insert(e.reference);
    EXPECT_EQ(names.size(), 125u);
    for (int i = 0; i < 96; ++i) EXPECT_EQ(table[4 + i].codePoint, 0xA0 + i);
    for (const Entity& e : table) {
        ZString s(e.reference);
        decodeEntities(s);
        ASSERT_EQ(s.length(), 1);
        EXPECT_EQ(s[0], e.codePoint);
    }
}
