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

TEST(EntityDecodingTest, NamedNumericAndMalformedReferences) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        // Names are case-sensitive; later HTML names are unknown.
        {u"a&amp;b", u"a&b"}, {u"&lt;p&gt; &quot;x&quot;", u"<p> \"x\""}, {u"&nbsp;", u"\u00A0"},
        {u"&Auml;&auml;", u"\u00C4\u00E4"}, {u"&AMP;", u"&AMP;"}, {u"&euro;&trade;&hellip;", u"\u20AC\u2122\u2026"},
        {u"&apos;&hearts;&alpha;", u"&apos;&hearts;&alpha;"},
        // Every base; a leading zero means octal; only the low 16 bits are kept.
        {u"&#65;", u"A"}, {u"&#x41;&#X41;&#0x41;&#0X41;", u"AAAA"}, {u"&#065;", u"5"},
        {u"&#8364;", u"\u20AC"}, {u"&#65601;", u"A"},
        // Malformed references stay literal: too short for their base, 9 is no
        // octal digit, no ; before the next & copies up to it.
        {u"&#;", u"&#;"}, {u"&#x;&#0x;&#0;", u"&#x;&#0x;&#0;"}, {u"&#12a;&#-5;&#xZ;", u"&#12a;&#-5;&#xZ;"},
        {u"&#09;", u"&#09;"}, {u"a & b", u"a & b"}, {u"&amp &lt;", u"&amp <"}, {u"&&&amp;", u"&&&"},
        {u"tail &amp", u"tail &amp"}, {u"&bogus;", u"&bogus;"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(decoded(text), expected) << ZString(text).toUtf8();
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
