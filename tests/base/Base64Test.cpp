#include <gtest/gtest.h>

#include <random>

#include "base/Base64.h"

namespace {

std::string decodedText(std::string_view text) {
    auto bytes = base64Decode(text);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST(Base64Test, EncodesWithPadding) {
    EXPECT_EQ(base64Encode("abc"), "YWJj");
    EXPECT_EQ(base64Encode("ab"), "YWI=");
    EXPECT_EQ(base64Encode("a"), "YQ==");
    EXPECT_EQ(base64Encode(""), "");
    EXPECT_EQ(base64Encode(std::string_view("\xfb\xff\xbf", 3)), "+/+/");
    std::string sunk;
    const uint8_t bytes[] = {0, 0, 0, 0};
    base64Encode(bytes, 4, [&](char c) { sunk += c; });
    EXPECT_EQ(sunk, "AAAAAA==");
}

TEST(Base64Test, DecodingStopsQuietlyAtTheFirstForeignCharacter) {
    EXPECT_EQ(decodedText("YWJj"), "abc");
    EXPECT_EQ(decodedText("YWI="), "ab");
    EXPECT_EQ(decodedText("YQ=="), "a");
    EXPECT_EQ(decodedText("YW Jj"), "a") << "a blank ends it after a two-character group";
    EXPECT_EQ(decodedText("YWJjY"), "abc") << "a single left-over character gives nothing";
    EXPECT_EQ(decodedText("YWJj\nYWJj"), "abc") << "line breaks end it too";
    EXPECT_EQ(decodedText(""), "");
    EXPECT_EQ(base64Decode(std::u16string_view(u"YWJj\u00C4YQ")).size(), 3u);

    std::vector<uint8_t> appended{'x'};
    const char* text = "YWJj";
    base64Decode([&](size_t i) { return text[i]; }, appended);
    EXPECT_EQ(std::string(appended.begin(), appended.end()), "xabc") << "the source's zero ends it; bytes append";
}

TEST(Base64Test, RoundTripsRandomBytesOfEveryLengthRemainder) {
    std::mt19937 random(7);
    for (size_t length = 0; length < 70; ++length) {
        std::string bytes;
        for (size_t i = 0; i < length; ++i) bytes.push_back(static_cast<char>(random()));
        std::string encoded = base64Encode(bytes);
        EXPECT_EQ(encoded.size() % 4, 0u);
        EXPECT_EQ(decodedText(encoded), bytes) << length;
    }
}
