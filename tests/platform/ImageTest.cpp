#include <gtest/gtest.h>

#include <string>

#include "platform/gfx/Image.h"

using platform::gfx::Color;
using platform::gfx::Image;

TEST(ImageTest, PngRoundTripKeepsSizeAndPixels) {
    auto image = Image::create(3, 2);
    image->setPixel(0, 0, Color::rgb(255, 0, 0));
    image->setPixel(2, 1, Color::rgba(0, 0, 255, 128));
    std::string png = image->encodePng();
    ASSERT_FALSE(png.empty());
    std::string error;
    auto back = Image::decode(png, &error);
    ASSERT_NE(back, nullptr) << error;
    EXPECT_EQ(back->width(), 3);
    EXPECT_EQ(back->height(), 2);
    EXPECT_EQ(back->frameCount(), 1);
    EXPECT_EQ(back->frameDelay(0), 0);
    EXPECT_EQ(back->pixel(0, 0), Color::rgb(255, 0, 0));
    EXPECT_EQ(back->pixel(1, 0).alpha, 0);
    Color half = back->pixel(2, 1);
    EXPECT_EQ(half.alpha, 128);
    EXPECT_NEAR(half.blue, 255, 2);
    // Outside the picture there is nothing.
    EXPECT_EQ(back->pixel(3, 0).alpha, 0);
}

TEST(ImageTest, AnimatedGifGivesEveryFrameWithItsDelay) {
    // 4x4, red and green for 100 ms, then blue for 200 ms, looping.
    std::string error;
    auto image = Image::load(VARTO_SOURCE_DIR "/tests/data/xhtml/three-frames.gif", &error);
    ASSERT_NE(image, nullptr) << error;
    ASSERT_EQ(image->frameCount(), 3);
    EXPECT_EQ(image->frameDelay(0), 100);
    EXPECT_EQ(image->frameDelay(2), 200);
    EXPECT_EQ(image->pixel(3, 3, 0), Color::rgb(255, 0, 0));
    EXPECT_EQ(image->pixel(0, 0, 1), Color::rgb(0, 128, 0));
    EXPECT_EQ(image->pixel(0, 0, 2), Color::rgb(0, 0, 255));
}

TEST(ImageTest, BadBytesGiveNoImageAndAReason) {
    std::string error;
    EXPECT_EQ(Image::decode("this is no picture", &error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Image::decode(""), nullptr);
    // A truncated PNG is refused too.
    std::string png = Image::create(4, 4)->encodePng();
    EXPECT_EQ(Image::decode(png.substr(0, png.size() / 2)), nullptr);
    EXPECT_EQ(Image::load("/nonexistent/picture.png", &error), nullptr);
}
