#include <gtest/gtest.h>

#include "base/UrlEscape.h"

TEST(UrlEscapeTest, ComponentsEscapeEverythingButUnreserved) {
    EXPECT_EQ(escapeComponent("a b/c~", -1), u"a%20b%2fc~");
    EXPECT_EQ(escapeComponent("AZaz09-._~+&=?", -1), u"AZaz09-._~%2b%26%3d%3f");
    EXPECT_EQ(escapeComponent(std::string_view("a\0b", 3)), u"a%00b") << "an explicit length includes zeros";
    EXPECT_EQ(escapeComponent("abc", 2), u"ab");
    EXPECT_EQ(escapeComponent("\xff\x80", -1), u"%ff%80");
    EXPECT_EQ(escapeComponent(nullptr, -1), u"");
}

TEST(UrlEscapeTest, PathsKeepSlashesAndEncodeUtf8) {
    EXPECT_EQ(escapePath(u"a b/c~"), u"a%20b/c~");
    EXPECT_EQ(escapePath(u"/d\u00E4/\u20AC"), u"/d%c3%a4/%e2%82%ac");
}

TEST(UrlEscapeTest, UnescapeDecodesUtf8AndRejectsBrokenEscapes) {
    ZString result(u"unchanged");
    EXPECT_TRUE(unescape(u"%41%62", result));
    EXPECT_EQ(result, u"Ab");
    EXPECT_TRUE(unescape(u"a+b", result));
    EXPECT_EQ(result, u"a+b");
    EXPECT_TRUE(unescape(u"%C3%a4x", result));
    EXPECT_EQ(result, u"\u00E4x");
    EXPECT_TRUE(unescape(u"ab%00cd", result));
    EXPECT_EQ(result, u"ab") << "a zero byte ends the text";
    EXPECT_TRUE(unescape(u"", result));
    EXPECT_EQ(result, u"");

    result = u"kept";
    EXPECT_FALSE(unescape(u"%4", result));
    EXPECT_FALSE(unescape(u"x%", result));
    EXPECT_FALSE(unescape(u"%zz", result));
    EXPECT_FALSE(unescape(u"%4g", result));
    EXPECT_EQ(result, u"kept");
}

TEST(UrlEscapeTest, RoundTripsArbitraryBytes) {
    std::string bytes;
    for (int i = 1; i < 256; ++i) bytes.push_back(static_cast<char>(i));
    ZString escaped = escapeComponent(bytes);
    std::string raw;
    for (char16_t c : escaped.view()) raw.push_back(static_cast<char>(c));
    EXPECT_EQ(raw.find_first_not_of("%0123456789abcdefABCDEFGHIJKLMNOPQRSTUVWXYZghijklmnopqrstuvwxyz-._~"),
              std::string::npos);
    ZString text(u"Gr\u00FC\u00DFe / 100% & mehr");
    ZString back;
    ASSERT_TRUE(unescape(escapePath(text), back));
    EXPECT_EQ(back, text);
}
