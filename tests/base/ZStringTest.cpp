#include <gtest/gtest.h>

#include <clocale>
#include <stdexcept>
#include <thread>

#include "base/ZString.h"

TEST(ZStringTest, EmptyStringOwnsTerminatedBuffer) {
    ZString s;
    EXPECT_EQ(s.length(), 0);
    EXPECT_EQ(s.capacity(), 0);
    ASSERT_NE(s.c_str(), nullptr);
    EXPECT_EQ(s.c_str()[0], 0);
    ZString fromNull(static_cast<const char16_t*>(nullptr));
    EXPECT_TRUE(fromNull.isEmpty());
    ZString counted(u"abcdef", 3);
    EXPECT_EQ(counted, u"abc");
    ZString negative(u"abcdef", -1);
    EXPECT_EQ(negative, u"abcdef");
}

TEST(ZStringTest, GrowthRule) {
    ZString s;
    s.append(u'x');
    EXPECT_EQ(s.capacity(), 16) << "first growth from capacity 0 gives 16";
    for (int i = 0; i < 16; ++i) s.append(u'y');
    EXPECT_EQ(s.length(), 17);
    EXPECT_EQ(s.capacity(), 32) << "doubling beats the request";
    ZString big;
    big.append(ZString(std::u16string(100, u'a')));
    EXPECT_EQ(big.capacity(), 100) << "a request larger than double and 16 wins";
    EXPECT_EQ(big.c_str()[100], 0);
}

TEST(ZStringTest, CopyAllocatesExactlyAndNeverAliases) {
    ZString s;
    s.reserve(50);
    s.append(u"hello");
    ZString copy(s);
    EXPECT_EQ(copy.capacity(), 5);
    EXPECT_NE(copy.c_str(), s.c_str());
    copy.append(u"!");
    EXPECT_EQ(s, u"hello");
    // Assignment and formatting allocate exactly too, whatever the target had.
    ZString assigned(u"a much longer text than hello");
    assigned = s;
    EXPECT_EQ(assigned.capacity(), 5);
    EXPECT_EQ(ZString::format(u"%d", 42).capacity(), 2);
}

// Narrow text and chars would pick the bool and int overloads.
template <typename T>
concept Appendable = requires(ZString s, T value) { s.append(value); };
static_assert(!Appendable<const char*> && !Appendable<char>);
static_assert(Appendable<const char16_t*> && Appendable<char16_t> && Appendable<bool>);

TEST(ZStringTest, AppendingNothingChangesNothing) {
    ZString s(u"abc");
    const char16_t* before = s.c_str();
    int capacity = s.capacity();
    s.append(ZString());
    s.append(static_cast<const char16_t*>(nullptr));
    s.append(u"");
    EXPECT_EQ(s.c_str(), before);
    EXPECT_EQ(s.capacity(), capacity);
    EXPECT_EQ(s.length(), 3);
}

TEST(ZStringTest, AppendsNumbersBooleansAndItself) {
    ZString s;
    s.append(true).append(u' ').append(int32_t(-12)).append(u' ').append(uint32_t(4294967295u));
    EXPECT_EQ(s, u"true -12 4294967295");
    ZString t(u"ab");
    t.append(t).append(t);
    EXPECT_EQ(t, u"abababab");
}

TEST(ZStringTest, GetAtThrowsOutsideRange) {
    ZString s(u"ab");
    EXPECT_EQ(s.getAt(1), u'b');
    try {
        s.getAt(2);
        FAIL();
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "ZString::getAt(int): Index out of range");
    }
    EXPECT_THROW(s.getAt(-1), std::out_of_range);
}

TEST(ZStringTest, FindSubstringReplaceClamp) {
    ZString s(u"hello world");
    EXPECT_EQ(s.find(u"o"), 4);
    EXPECT_EQ(s.find(u"o", 5), 7);
    EXPECT_EQ(s.find(u"zz"), -1);
    EXPECT_EQ(s.find(u"", 3), 3);
    EXPECT_EQ(s.find(u"", -5), 0);
    EXPECT_EQ(s.find(u"", 99), 11);
    EXPECT_EQ(s.substring(6), u"world");
    EXPECT_EQ(s.substring(-3, 5), u"hello");
    EXPECT_EQ(s.substring(6, 100), u"world");
    EXPECT_EQ(s.substring(8, 2), u"");
    ZString r(u"hello world");
    r.replace(0, 5, u"goodbye cruel");
    EXPECT_EQ(r, u"goodbye cruel world");
    r.replace(8, 14, u"");
    EXPECT_EQ(r, u"goodbye world");
    r.replace(50, 60, u"!");
    EXPECT_EQ(r, u"goodbye world!");
    r.replace(0, 7, r);
    EXPECT_EQ(r, u"goodbye world! world!");
}

TEST(ZStringTest, TrimDigitsSeparators) {
    ZString s(u"\t\r\n \v\f");
    EXPECT_TRUE(s.trim().isEmpty());
    EXPECT_EQ(ZString(u"  a b \n").trim(), u"a b");
    EXPECT_EQ(ZString(u"a1b22c333").countDigits(), 6);
    EXPECT_TRUE(ZString(u"C:\\dir\\").endsWithSeparator());
    EXPECT_TRUE(ZString(u"/tmp/").endsWithSeparator());
    EXPECT_FALSE(ZString(u"/tmp/x").endsWithSeparator());
    EXPECT_FALSE(ZString().endsWithSeparator());
}

TEST(ZStringTest, NumbersIgnoreUserLocale) {
    const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
    if (!german) german = std::setlocale(LC_NUMERIC, "de_DE");
    EXPECT_DOUBLE_EQ(ZString(u"2.50").toDouble(), 2.5);
    EXPECT_EQ(ZString::format(u"%0.2f", 1.5), u"1.50");
    std::setlocale(LC_ALL, "C");
    EXPECT_DOUBLE_EQ(ZString(u"  -3.25e1").toDouble(), -32.5);
    EXPECT_DOUBLE_EQ(ZString(u"junk").toDouble(), 0.0);
}

TEST(ZStringTest, FormatConversions) {
    EXPECT_EQ(ZString::format(u"%08x.%08x", 0x1a2bu, 7u), u"00001a2b.00000007");
    EXPECT_EQ(ZString::format(u"[%s|%hs|%S]", u"wide", "narrow \xc3\xa4", "S"), u"[wide|narrow ä|S]");
    EXPECT_EQ(ZString::format(u"%-5s|%5s|%.2s", u"ab", u"cd", u"efgh"), u"ab   |   cd|ef");
    EXPECT_EQ(ZString::format(u"%d %u %lld %c %%", -5, 5u, 1LL << 40, u'Z'), u"-5 5 1099511627776 Z %");
    EXPECT_EQ(ZString::format(u"%I64d %zu", static_cast<long long>(-1), size_t(3)), u"-1 3");
    EXPECT_EQ(ZString::format(u"%*d", 4, 7), u"   7");
    EXPECT_EQ(ZString::format(u"%600d", 7).length(), 600);
    EXPECT_EQ(ZString::format(u"%.550f", 0.5).length(), 552);
    EXPECT_TRUE(ZString::format(u"bad %y conversion").isEmpty());
    ZString s(u"n=");
    s.appendFormat(u"%d", 42);
    EXPECT_EQ(s, u"n=42");
}

TEST(ZStringTest, FormatIsThreadSafeUnderLocaleSwitches) {
    std::thread other([] {
        for (int i = 0; i < 2000; ++i) EXPECT_EQ(ZString::format(u"%.1f", 0.5), u"0.5");
    });
    for (int i = 0; i < 2000; ++i) EXPECT_EQ(ZString::format(u"%.1f", 1.5), u"1.5");
    other.join();
}

TEST(ZStringTest, Utf8RoundTripWithSurrogatesAndInvalidBytes) {
    std::string text = "a\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80z";  // a ä € 😀 z
    ZString s = ZString::fromUtf8(text);
    EXPECT_EQ(s.length(), 6);
    EXPECT_EQ(s.toUtf8(), text);
    // Bytes that are not UTF-8 (a file name's) travel as U+DC00 + byte and
    // come back as the same bytes; shown to people they are U+FFFD.
    const std::string name = "caf\xe9 x\xff\xc3y\xed\xa0\x80.pdf";
    ZString bad = ZString::fromUtf8(name);
    EXPECT_EQ(bad, u"caf\xDCE9 x\xDCFF\xDCC3y\xDCED\xDCA0\xDC80.pdf");
    EXPECT_EQ(bad.toUtf8(), name);
    EXPECT_EQ(bad.toDisplayUtf8(), "caf\uFFFD x\uFFFD\uFFFDy\uFFFD\uFFFD\uFFFD.pdf");
    ZString lone(u"\xD800");
    EXPECT_EQ(lone.toUtf8(), "\xef\xbf\xbd");
}
