#include <gtest/gtest.h>

#include "RenderFixture.h"
#include "platform/gfx/Dc.h"

#include <string>
#include <vector>

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

// Pixels a painted page must show: one row per rule, each probe a point and
// the colour expected there, within the row's tolerance.
TEST(PaintProbes, BackgroundsBordersAndLayers) {
    TempFolder pictures;
    xhtml::testing::writePicture(pictures.file("red.png"), 4, 4, kRed);
    const std::string tile = "width:20px;height:20px;background-image:url(red.png);background-repeat:";
    struct Probe {
        int x, y;
        Color colour;
    };
    const struct {
        const char* rule;
        std::string markup;
        int dpi;
        int tolerance;
        std::vector<Probe> probes;
    } rows[] = {
        {"a vertical gradient runs from top to bottom, the same along a row; a horizontal one from left to right",
         "<div style='height:100px;background-color:transparent;background-gradient:#FFFFFF #000000 vertical'></div>"
         "<div style='height:10px;width:100px;background-gradient:#FF0000 #0000FF horizontal'></div>",
         96, 4,
         {{10, 0, kWhite}, {10, 99, kBlack}, {10, 50, Color::rgb(126, 126, 126)}, {190, 50, Color::rgb(126, 126, 126)}, {0, 105, kRed}, {50, 105, Color::rgb(126, 0, 129)}, {99, 105, kBlue}}},
        {"a picture without repeat is centred; repeat-x fills one row",
         "<div style='" + tile + "no-repeat;background-position:center center'></div><div style='" + tile +
             "repeat-x'></div>",
         96, 0,
         {{8, 8, kRed}, {11, 11, kRed}, {7, 8, kWhite}, {12, 11, kWhite}, {0, 20, kRed}, {19, 23, kRed},
          {0, 24, kWhite}}},
        {"at 144 dpi the 4 px tile covers 6 px", "<div style='" + tile + "no-repeat'></div>", 144, 0,
         {{5, 5, kRed}, {6, 0, kWhite}, {0, 6, kWhite}}},
        {"three nested mitred rectangles: the top wins the top-left diagonal, the right the top-right one, "
         "the bottom is drawn last",
         "<div style='width:20px;height:20px;background-color:#FFFFFF;border:3px solid;border-left-color:#FF0000;"
         "border-top-color:#0000FF;border-right-color:#00FF00;border-bottom-color:#000000'></div>",
         96, 0,
         {{0, 0, kBlue}, {2, 2, kBlue}, {0, 1, kRed}, {2, 3, kRed}, {19, 0, kGreen}, {17, 2, kGreen},
          {19, 19, kBlack}, {17, 17, kBlack}, {10, 19, kBlack}, {10, 17, kBlack}, {3, 3, kWhite}, {16, 16, kWhite}}},
        {"a transparent border shows what is behind it; a dotted side alternates",
         "<div style='background-color:#00FF00'><div style='display:inline-block;width:30px;height:10px;"
         "border:1px solid transparent;background-color:#FF0000'></div></div>"
         "<div style='width:30px;height:4px;border-top:1px dotted #0000FF'></div>",
         96, 0,
         {{0, 0, kGreen}, {1, 1, kRed}, {29, 9, kGreen}, {0, 10, kBlue}, {2, 10, kBlue}, {3, 10, kWhite},
          {6, 10, kBlue}}},
        {"opacity blends the box and its children as one",
         "<div style='opacity:0.5;background-color:#0000FF;height:20px'>"
         "<div style='background-color:#FF0000;width:10px;height:10px'></div></div>"
         "<div style='opacity:1;background-color:#0000FF;height:5px'></div>",
         96, 2, {{5, 5, Color::rgb(255, 128, 128)}, {50, 15, Color::rgb(128, 128, 255)}, {50, 22, kBlue}}},
    };
    for (const auto& row : rows) {
        auto dc = Page(row.markup, 200, row.dpi, pictures.path()).paint();
        for (const Probe& p : row.probes)
            EXPECT_TRUE(near(dc->pixel(p.x, p.y), p.colour, row.tolerance))
                << row.rule << " at " << p.x << "," << p.y << ": " << ::testing::PrintToString(dc->pixel(p.x, p.y));
    }
}

// Layers and words.

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
    xhtml::testing::writePicture(pictures.file("still.png"), 2, 2, kGreen);
    std::filesystem::copy_file(xhtml::testing::kDataDir / "three-frames.gif", pictures.file("anim.gif"));
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
