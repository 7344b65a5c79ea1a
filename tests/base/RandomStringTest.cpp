#include <gtest/gtest.h>

#include <set>

#include "base/RandomString.h"

TEST(RandomStringTest, LengthAndAlphabet) {
    EXPECT_TRUE(randomString(0).isEmpty());
    EXPECT_TRUE(randomString(-5).isEmpty());
    ZString s = randomString(16);
    ASSERT_EQ(s.length(), 16);
    for (char16_t c : s.view()) EXPECT_NE(defaultRandomAlphabet().find(c), -1);
    EXPECT_EQ(defaultRandomAlphabet().length(), 62);

    ZString ab = randomString(200, u"ab");
    std::set<char16_t> seen(ab.view().begin(), ab.view().end());
    EXPECT_EQ(seen, (std::set<char16_t>{u'a', u'b'}));
    EXPECT_NE(randomString(32), randomString(32));
}
