#include <gtest/gtest.h>

#include "base/Charset.h"

TEST(CharsetTest, NamesMatchWithoutDashesUnderscoresOrCase) {
    EXPECT_EQ(codePageForCharset(u"ISO_8859_1", -1), 28591);
    EXPECT_EQ(codePageForCharset(u"UTF8", -1), 65001);
    EXPECT_EQ(codePageForCharset(u"utf_8", -1), 65001);
    EXPECT_EQ(codePageForCharset(u"Utf-8", -1), 65001);
    EXPECT_EQ(codePageForCharset(u"latin-1", -1), 28591);
    EXPECT_EQ(codePageForCharset(u"windows-1258", -1), 1258);
    EXPECT_EQ(codePageForCharset(u"shift_jis", -1), 932);
    EXPECT_EQ(codePageForCharset(u"ansi", -1), 0);
    EXPECT_EQ(codePageForCharset(u"koi8-r", -1), -1);
    EXPECT_EQ(codePageForCharset(u"", 7), 7);
    EXPECT_EQ(charsetTable().size(), 30u);
}

TEST(CharsetTest, EveryTableEntryConverts) {
    for (const CharsetEntry& entry : charsetTable()) {
        ZString text;
        EXPECT_TRUE(decodeCodePage("Abc 1", entry.codePage, text)) << entry.codePage;
        EXPECT_EQ(text, u"Abc 1") << entry.codePage;
    }
    ZString ignored;
    EXPECT_FALSE(decodeCodePage("x", 12345, ignored));
}

TEST(CharsetTest, ConvertsBothWaysAndReplacesWhatDoesNotFit) {
    ZString text;
    ASSERT_TRUE(decodeCodePage("Gr\xfc\xdf \x80", 1252, text));
    EXPECT_EQ(text, u"Gr\u00FC\u00DF \u20AC");
    ASSERT_TRUE(decodeCodePage("ok\xff\xfe", 65001, text));
    EXPECT_EQ(text, u"ok\uFFFD\uFFFD");
    ASSERT_TRUE(decodeCodePage("\xe2\x82", 65001, text));
    EXPECT_EQ(text, u"\uFFFD") << "a cut sequence at the end";

    std::string bytes;
    ASSERT_TRUE(encodeCodePage(u"Gr\u00FC\u00DFe \u20AC\U0001F600!", 28591, bytes));
    EXPECT_EQ(bytes, "Gr\xfc\xdf" "e ?" "?!") << "one ? per character, also for a surrogate pair";
    ASSERT_TRUE(encodeCodePage(u"\u00E4", 65001, bytes));
    EXPECT_EQ(bytes, "\xc3\xa4");
}
