#include <gtest/gtest.h>

#include "base/NumberParse.h"

TEST(NumberParseTest, IntegersFollowTheCLibraryWithThirtyTwoBitLimits) {
    size_t consumed = 0;
    EXPECT_EQ(parseLong(u" -42x", 10, &consumed), -42);
    EXPECT_EQ(consumed, 4u);
    EXPECT_EQ(parseLong(u"0x1F", 0, &consumed), 31);
    EXPECT_EQ(consumed, 4u);
    EXPECT_EQ(parseLong(u"0x1F", 16), 31) << "base 16 takes a 0x prefix";
    EXPECT_EQ(parseLong(u"0xg", 0, &consumed), 0);
    EXPECT_EQ(consumed, 1u) << "0x without a digit reads the zero";
    EXPECT_EQ(parseLong(u"017", 0), 15);
    EXPECT_EQ(parseLong(u"99999999999", 10, &consumed), INT32_MAX);
    EXPECT_EQ(consumed, 11u);
    EXPECT_EQ(parseLong(u"-99999999999", 10), INT32_MIN);
    EXPECT_EQ(parseLong(u"", 10, &consumed), 0);
    EXPECT_EQ(consumed, 0u);
    EXPECT_EQ(parseLong(u"  +", 10, &consumed), 0);
    EXPECT_EQ(consumed, 0u);
}

TEST(NumberParseTest, DoublesUseThePointAndStopAtUnits) {
    size_t consumed = 0;
    EXPECT_EQ(parseDouble(u"12.5px", &consumed), 12.5);
    EXPECT_EQ(consumed, 4u);
    EXPECT_EQ(parseDouble(u"12,5"), 12.0);
    EXPECT_EQ(parseDouble(u"auto", &consumed), 0.0);
    EXPECT_EQ(consumed, 0u);
    EXPECT_EQ(parseDouble(u"1\u00E4"), 1.0);
}

TEST(NumberParseTest, CommandLineCountsAreWholeDecimalNumbersInRange) {
    struct Case {
        const char* text;
        bool accepted;
    };
    for (const Case& c : {Case{"96", true}, Case{"100000", true}, Case{"100001", false}, Case{"0", false},
                          Case{"-5", false}, Case{"", false}, Case{" 5", false}, Case{"5px", false},
                          Case{"0x10", false}, Case{"99999999999", false}}) {
        int value = -1;
        EXPECT_EQ(parsePositiveInt(c.text, 100000, value), c.accepted) << c.text;
        EXPECT_EQ(value, c.accepted ? std::stoi(c.text) : -1) << c.text;
    }
}
