#include <gtest/gtest.h>

#include "RenderFixture.h"
#include "platform/gfx/Dc.h"

using xhtml::ImageView;
using xhtml::Rect;
using Color = platform::gfx::Color;
using xhtml::testing::Page;
using xhtml::testing::TempFolder;
using xhtml::testing::near;

namespace {

const Color kWhite = Color::rgb(255, 255, 255);
const Color kRed = Color::rgb(255, 0, 0);
const Color kGreen = Color::rgb(0, 255, 0);
const Color kBlue = Color::rgb(0, 0, 255);
const Color kBlack = Color::rgb(0, 0, 0);

}  // namespace

// Backgrounds.

TEST(PaintBackground, GradientRunsFromStartColourAtTheTopToEndColourAtTheBottom) {
    Page page(
        "<div style='height:100px;background-color:transparent;background-gradient:#FFFFFF #000000 "
        "vertical'></div>"
        "<div style='height:10px;width:100px;background-gradient:#FF0000 #0000FF "
        "horizontal'></div>",
        200);
    auto dc = page.paint();
    EXPECT_TRUE(near(dc->pixel(10, 0), kWhite, 4));
    EXPECT_TRUE(near(dc->pixel(10, 99), kBlack, 4));
    EXPECT_TRUE(
        near(dc->pixel(190, 50), dc->pixel(10, 50), 0));  // vertical: same colour along a row
    EXPECT_TRUE(near(dc->pixel(0, 105), kRed, 4));
    EXPECT_TRUE(near(dc->pixel(99, 105), kBlue, 4));
}

TEST(PaintBackground, NoRepeatCentredTileAndRepeatXRow) {
    TempFolder pictures;
    pictures.add("red.png", 4, 4, kRed);
    Page page(
        "<div "
        "style='width:20px;height:20px;background-image:url(red.png);background-repeat:no-repeat;"
        "background-position:center center'></div>"
        "<div "
        "style='width:20px;height:20px;background-image:url(red.png);background-repeat:repeat-x'></"
        "div>",
        100, 96, pictures.path());
    auto dc = page.paint();
    EXPECT_EQ(dc->pixel(8, 8), kRed);
    EXPECT_EQ(dc->pixel(11, 11), kRed);
    EXPECT_EQ(dc->pixel(7, 8), kWhite);
    EXPECT_EQ(dc->pixel(12, 11), kWhite);
    EXPECT_EQ(dc->pixel(0, 20), kRed);
    EXPECT_EQ(dc->pixel(19, 23), kRed);
    EXPECT_EQ(dc->pixel(0, 24), kWhite);
    // At 144 dpi the 4 px tile covers 6 px.
    Page hiDpi("<div style='width:20px;height:20px;background-image:url(red.png);background-repeat:no-repeat'></div>",
               100, 144, pictures.path());
    dc = hiDpi.paint();
    EXPECT_EQ(dc->pixel(5, 5), kRed);
    EXPECT_EQ(dc->pixel(6, 0), kWhite);
    EXPECT_EQ(dc->pixel(0, 6), kWhite);
}

// Borders.

TEST(PaintBorder, ThreePixelBorderIsThreeNestedMitredRectangles) {
    Page page(
        "<div style='width:20px;height:20px;background-color:#FFFFFF;border:3px "
        "solid;border-left-color:#FF0000;"
        "border-top-color:#0000FF;border-right-color:#00FF00;border-bottom-color:#000000'></div>",
        100);
    auto dc = page.paint();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(dc->pixel(i, i), kBlue) << i;             // top wins the top-left diagonal
        EXPECT_EQ(dc->pixel(i, i + 1), kRed) << i;          // left below it
        EXPECT_EQ(dc->pixel(19 - i, i), kGreen) << i;       // right wins the top-right diagonal
        EXPECT_EQ(dc->pixel(19 - i, 19 - i), kBlack) << i;  // bottom is drawn last
        EXPECT_EQ(dc->pixel(10, 19 - i), kBlack) << i;
    }
    EXPECT_EQ(dc->pixel(3, 3), kWhite);
    EXPECT_EQ(dc->pixel(16, 16), kWhite);
}

TEST(PaintBorder, DottedSideAlternatesAndTransparentBorderOnlyTakesRoom) {
    Page page(
        "<div style='background-color:#00FF00'><div id='t' "
        "style='display:inline-block;width:30px;height:10px;"
        "border:1px solid transparent;background-color:#FF0000'></div></div>"
        "<div style='width:30px;height:4px;border-top:1px dotted #0000FF'></div>",
        100);
    auto dc = page.paint();
    EXPECT_EQ(page.rect("t").width(), 30);
    EXPECT_EQ(dc->pixel(0, 0), kGreen);  // the border shows what is behind it
    EXPECT_EQ(dc->pixel(1, 1), kRed);
    EXPECT_EQ(dc->pixel(29, 9), kGreen);
    EXPECT_EQ(dc->pixel(0, 10), kBlue);
    EXPECT_EQ(dc->pixel(2, 10), kBlue);
    EXPECT_EQ(dc->pixel(3, 10), kWhite);
    EXPECT_EQ(dc->pixel(6, 10), kBlue);
}

// Layers and words.

TEST(PaintLayers, OpacityBlendsTheBoxAndItsChildrenAsOne) {
    Page page(
        "<div id='o' style='opacity:0.5;background-color:#0000FF;height:20px'>"
        "<div style='background-color:#FF0000;width:10px;height:10px'></div></div>"
        "<div style='opacity:1;background-color:#0000FF;height:5px'></div>",
        100);
    auto dc = page.paint();
    EXPECT_TRUE(near(dc->pixel(5, 5), Color::rgb(255, 128, 128))) << int(dc->pixel(5, 5).blue);
    EXPECT_TRUE(near(dc->pixel(50, 15), Color::rgb(128, 128, 255)));
    EXPECT_EQ(dc->pixel(50, 22), kBlue);
}

TEST(PaintWords, UnderlineRunsAcrossTheBlankBetweenLinkWords) {
    Page page("<a href='x'>two words</a>", 300);
    auto dc = page.paint();
    const Rect blank = page.wordRect(u" ");
    ASSERT_GT(blank.width(), 0);
    const auto font = platform::gfx::Font::shared(-13, 400, false, u"Verdana");
    const int y = blank.bottom - font->descent() + 1;
    const Color link = Color::rgb(0, 0, 0x80);
    for (int x = page.wordRect(u"two").left; x < page.wordRect(u"words").right; ++x)
        ASSERT_EQ(dc->pixel(x, y), link) << x;
    EXPECT_EQ(dc->pixel(blank.left, y - 2), kWhite);
}

TEST(PaintWords, TextColourAndLineThrough) {
    Page page("<span style='color:#FF0000;text-decoration:line-through'>Hamburg</span>", 300);
    auto dc = page.paint();
    const Rect word = page.wordRect(u"Hamburg");
    int red = 0;
    for (int x = word.left; x < word.right; ++x)
        for (int y = word.top; y < word.bottom; ++y)
            red += dc->pixel(x, y).red > 200 && dc->pixel(x, y).green < 80;
    EXPECT_GT(red, 40);
    EXPECT_EQ(dc->pixel(word.left + 1, word.top + word.height() / 2), kRed);
}

// A transparent text colour is never painted: no ink, no decorations; the
// words still take their room.
TEST(PaintWords, TransparentTextPaintsNothing) {
    Page page(
        "<span style='color:transparent;text-decoration:underline'>Hidden text</span>"
        "<a href='x' style='color:transparent'>link</a>",
        300);
    auto dc = page.paint();
    EXPECT_GT(page.wordRect(u"Hidden").width(), 0);
    Rect all = page.wordRect(u"Hidden");
    all.right = page.wordRect(u"link").right;
    for (int x = all.left; x < all.right; ++x)
        for (int y = all.top; y < all.bottom; ++y) ASSERT_EQ(dc->pixel(x, y), kWhite) << x << "," << y;
}

// Images.

TEST(PaintImages, ImagesAreStretchedAndOnlyAnimationsStartAFrameTimer) {
    TempFolder pictures;
    pictures.add("still.png", 2, 2, kGreen);
    std::filesystem::copy_file(xhtml::testing::kDataDir / "three-frames.gif", pictures.path() / "anim.gif");
    Page page(
        "<img id='s' src='still.png' width='10' height='10'/><img id='a' src='anim.gif' width='10' "
        "height='10'/>",
        100, 96, pictures.path());
    auto dc = page.paint();
    EXPECT_EQ(dc->pixel(0, 0), kGreen);
    EXPECT_EQ(dc->pixel(9, 9), kGreen);
    EXPECT_EQ(dc->pixel(15, 5), kRed);
    auto* still = static_cast<ImageView*>(page.byId("s"));
    auto* anim = static_cast<ImageView*>(page.byId("a"));
    EXPECT_FALSE(still->frameTimerRunning());
    ASSERT_TRUE(anim->frameTimerRunning());
    // The tick advances the frame and waits for the next paint to re-arm.
    anim->onTimer(0);  // not its timer: ignored
    EXPECT_EQ(anim->frame(), 0);
}
