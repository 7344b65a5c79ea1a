#include <gtest/gtest.h>

#include "RenderFixture.h"
#include "xhtml/CalcSizeLayouter.h"
#include "xhtml/Layouter.h"
#include "xhtml/NormalLayouter.h"

using namespace xhtml;
using xhtml::testing::Page;
using xhtml::testing::TempFolder;
using xhtml::testing::textWidth;

namespace {
constexpr int kLine = 17;  // line height of the 13 px test font
}

// Wrapping: where lines break, what happens to blanks and overlong words.

TEST(LineFilling, WordWiderThanTheLineStaysAloneAndOverflows) {
    Page page("<div id='d' style='width:60px'>a Extraordinarily b</div>", 300);
    const Rect longWord = page.wordRect(u"Extraordinarily");
    EXPECT_EQ(page.wordRect(u"a").top, 0);
    EXPECT_EQ(longWord.left, 0);
    EXPECT_EQ(longWord.top, kLine);
    EXPECT_GT(longWord.right, 60);
    EXPECT_EQ(page.wordRect(u"b").left, 0);
    EXPECT_EQ(page.wordRect(u"b").top, 2 * kLine);
    // The box grows to what its content took.
    EXPECT_EQ(page.rect("d").width(), longWord.width());
}

TEST(LineFilling, LineEndingExactlyAtTheRightEdgeWraps) {
    const int exact = textWidth(u"ab") + textWidth(u" ") + textWidth(u"cd");
    Page wraps("<div style='width:" + std::to_string(exact) + "px'>ab cd</div>", 300);
    EXPECT_EQ(wraps.wordRect(u"cd").left, 0);
    EXPECT_EQ(wraps.wordRect(u"cd").top, kLine);
    Page fits("<div style='width:" + std::to_string(exact + 1) + "px'>ab cd</div>", 300);
    EXPECT_EQ(fits.wordRect(u"cd").top, 0);
    EXPECT_EQ(fits.wordRect(u"cd").right, exact);
}

TEST(LineFilling, BlanksAtLineStartAndAtTheEdgeAreDropped) {
    // The blank after "ab" would reach the right edge: the line breaks there.
    const int width = textWidth(u"ab") + textWidth(u" ");
    Page page("<div style='width:" + std::to_string(width) + "px'>ab cd<br/> ef</div>", 300);
    EXPECT_EQ(page.wordRect(u"cd").left, 0);
    EXPECT_EQ(page.wordRect(u"cd").top, kLine);
    EXPECT_TRUE(page.wordRect(u" ", 0).isEmpty());
    // After the break the leading blank is dropped: "ef" starts the line.
    EXPECT_EQ(page.wordRect(u"ef").left, 0);
    EXPECT_EQ(page.wordRect(u"ef").top, 2 * kLine);
}

TEST(LineFilling, TwoBreaksGiveAnEmptyLineOfFifteenPixelsPlusSpacing) {
    Page plain("<div>a<br/><br/>b</div>", 300);
    EXPECT_EQ(plain.wordRect(u"b").top, kLine + 15);
    Page spaced("<div style='line-spacing:3'>a<br/><br/>b</div>", 300);
    EXPECT_EQ(spaced.wordRect(u"b").top, kLine + 3 + 15 + 3);
}

TEST(LineFilling, NoWrapRunMovesAsOneUnit) {
    const int width = textWidth(u"aa") + textWidth(u" ") + textWidth(u"bb") + 2;
    Page page("<div style='width:" + std::to_string(width) +
                  "px'>aa <span style='white-space:nowrap'>bb cc</span></div>",
              300);
    EXPECT_EQ(page.wordRect(u"bb").left, 0);
    EXPECT_EQ(page.wordRect(u"bb").top, kLine);
    EXPECT_EQ(page.wordRect(u"cc").top, kLine);
}

// Alignment inside lines and boxes.

TEST(Alignment, JustifyAndRightAlignLinesToTheRightEdge) {
    for (const char* align : {"justify", "right"}) {
        Page page(std::string("<div style='width:200px;text-align:") + align + "'>a b</div>", 300);
        EXPECT_EQ(page.wordRect(u"b").right, 200) << align;
        EXPECT_EQ(page.wordRect(u"a").left,
                  200 - textWidth(u"a") - textWidth(u" ") - textWidth(u"b"))
            << align;
    }
    Page centred("<div style='width:200px;text-align:center'>ab</div>", 300);
    EXPECT_EQ(centred.wordRect(u"ab").left, (200 - textWidth(u"ab")) / 2);
}

TEST(Alignment, WordsBesideAnImageSitAtTheBottomOrTheMiddle) {
    TempFolder pictures;
    pictures.add("square.png", 32, 32, platform::gfx::Color::rgb(0, 0, 255));
    Page page(
        "<div style='width:400px'><img src='square.png'/>low<span "
        "style='vertical-align:middle'>mid</span></div>",
        500, 96, pictures.path());
    EXPECT_EQ(page.wordRect(u"low").top, 32 - kLine);
    EXPECT_EQ(page.wordRect(u"mid").top, (32 - kLine) / 2);
}

TEST(Alignment, VerticalAlignContentMovesAllLines) {
    Page page(
        "<div id='d' style='height:100px;vertical-align-content:bottom'>x</div>"
        "<div style='height:100px;vertical-align-content:middle'>y</div>",
        300);
    EXPECT_EQ(page.wordRect(u"x").top, 100 - kLine);
    EXPECT_EQ(page.wordRect(u"y").top, 100 + (100 - kLine) / 2);
}

// Box sizing from styles.

TEST(BoxSizing, InlineBlockShrinksToContentAndScalesWithTheResolution) {
    Page shrink("<div id='d' style='display:inline-block'>Hello</div>", 400);
    EXPECT_EQ(shrink.rect("d").width(), textWidth(u"Hello"));
    EXPECT_EQ(shrink.rect("d").height(), kLine);
    Page hiDpi("<div id='d' style='display:inline-block;width:136px;height:80px'>x</div>", 600,
               144);
    EXPECT_EQ(hiDpi.rect("d").width(), 204);
    EXPECT_EQ(hiDpi.rect("d").height(), 120);
    Page blocks(
        "<div id='a' style='display:inline-block;width:50px'>x</div><div id='b' "
        "style='display:inline-block;width:50px'>y</div>",
        400);
    EXPECT_EQ(blocks.rect("b").left, 50);
    EXPECT_EQ(blocks.rect("b").top, 0);
}

TEST(BoxSizing, OverflowKeepsTheStyledHeightOtherwiseTheBoxGrows) {
    const std::string tall = "1<br/>2<br/>3<br/>4<br/>5<br/>6<br/>7<br/>8<br/>9";
    Page scrolled("<div id='d' style='height:121px;overflow:auto'>" + tall + "</div>", 300);
    EXPECT_EQ(scrolled.rect("d").height(), 121);
    Page grown("<div id='d' style='height:121px'>" + tall + "</div>", 300);
    EXPECT_EQ(grown.rect("d").height(), 9 * kLine);
}

TEST(BoxSizing, MarginsBordersAndPaddingsLieInsideTheStyledSize) {
    Page page(
        "<div id='d' style='width:100px;margin:2px;border:1px solid "
        "red;padding:3px;margin-left:10px'>x</div>",
        300);
    EXPECT_EQ(page.rect("d"), (Rect{0, 0, 100, kLine + 4 + 2 + 6}));
    EXPECT_EQ(page.box("d")->getContentRect(), (Rect{14, 6, 94, 6 + kLine}));
    EXPECT_EQ(page.wordRect(u"x").left, 14);
    Page hiDpi("<div id='d' style='width:100px;padding:5px'>x</div>", 300, 144);
    EXPECT_EQ(hiDpi.wordRect(u"x").left, 7);  // 5 * 1.5 truncated
}

TEST(BoxSizing, ImageWithOnlyAHeightKeepsItsProportions) {
    TempFolder pictures;
    pictures.add("wide.png", 64, 16, platform::gfx::Color::rgb(255, 0, 0));
    Page page(
        "<img id='i' src='wide.png' style='height:32px'/><img id='w' src='wide.png' "
        "style='width:32px'/>"
        "<img id='n' src='wide.png'/><img id='m' src='missing.png'/>",
        500, 96, pictures.path());
    EXPECT_EQ(page.rect("i").width(), 128);
    EXPECT_EQ(page.rect("i").height(), 32);
    EXPECT_EQ(page.rect("w").height(), 8);
    EXPECT_EQ(page.rect("n").width(), 64);
    EXPECT_EQ(page.rect("m").width(), 0);
    Page hiDpi("<img id='n' src='wide.png'/>", 500, 144, pictures.path());
    EXPECT_EQ(hiDpi.rect("n").width(), 96);
    EXPECT_EQ(hiDpi.rect("n").height(), 24);
}

TEST(BoxSizing, PercentWidthsAndMinimumsFollowTheAvailableRoom) {
    Page page(
        "<div style='width:400px'><div id='half' style='width:50%'>x</div>"
        "<div id='min' style='display:inline-block;min-width:120px;min-height:30px'>y</div></div>",
        500);
    EXPECT_EQ(page.rect("half").width(), 200);
    EXPECT_EQ(page.rect("min").width(), 120);
    EXPECT_EQ(page.rect("min").height(), 30);
}

// Positioning and re-layout.

TEST(Positioning, RelativeMovesOnceAbsoluteUsesItsContainer) {
    Page page(
        "<div id='c' style='position:relative;left:0;width:200px;height:100px;padding:10px'>"
        "<div id='r' style='position:relative;left:5px;top:7px;width:20px'>x</div>"
        "<div id='a' "
        "style='position:absolute;right:10px;bottom:0;width:30px;height:20px'>y</div></div>",
        400);
    EXPECT_EQ(page.rect("r").left, 15);
    EXPECT_EQ(page.rect("r").top, 17);
    // 10 px inside the content box's right edge, flush with its bottom.
    EXPECT_EQ(page.rect("a"), (Rect{200 - 10 - 10 - 30, 100 - 10 - 20, 200 - 10 - 10, 100 - 10}));
}

TEST(Relayout, HoverStyleOfTheSameSizeRelaysOnlyThatBox) {
    Page page(
        "<style>.b{display:inline-block;width:60px;height:30px;border:1px solid transparent}"
        ".b:hover{border-color:red;color:blue}</style>"
        "<div id='one' class='b'>one</div><div id='two' class='b'>two</div>",
        300);
    BoxView* one = page.box("one");
    const Rect before = page.rect("two");
    layoutCounters() = {};
    MouseEvent enter{{5, 5}, 0};
    one->handleMouse(enter);
    EXPECT_TRUE(one->isHovered());
    EXPECT_EQ(layoutCounters().boxesLaidOut, 1);
    EXPECT_TRUE(one->attached());
    EXPECT_EQ(page.rect("two"), before);
}

// A hover rule that changes an ancestor's font reaches the words: they are
// measured and painted in the bold font, and the rest of the line moves.
// Leaving gives the normal font back.
TEST(Relayout, HoverFontOfAnAncestorRemeasuresItsWords) {
    Page page(
        "<style>a:hover{font-weight:bold}</style>"
        "<div style='width:300px'><a id='l' href='x'>Link words</a> tail</div>",
        300);
    const Rect normal = page.wordRect(u"Link");
    const int tailBefore = page.wordRect(u"tail").left;
    const auto bold = platform::gfx::Font::shared(-13, 700, false, u"Verdana");
    ASSERT_GT(bold->measure(u"Link").width, normal.width());
    MouseEvent enter{{normal.left + 1, normal.top + 1}, 0};
    page.byId("l")->handleMouse(enter);
    ASSERT_TRUE(page.byId("l")->isHovered());
    EXPECT_EQ(page.word(u"Link")->getFont()->weight(), 700);
    EXPECT_EQ(page.wordRect(u"Link").width(), bold->measure(u"Link").width);
    EXPECT_GT(page.wordRect(u"tail").left, tailBefore);
    auto hovered = page.paint();
    Page reference("<div style='width:300px'><b>Link words</b> tail</div>", 300);
    auto expected = reference.paint();
    const Rect link = page.wordRect(u"Link");
    for (int x = link.left; x < link.right; ++x)
        for (int y = link.top; y < link.top + 12; ++y)
            ASSERT_EQ(hovered->pixel(x, y).red, expected->pixel(x, y).red) << x << "," << y;

    MouseEvent leave{{299, 200}, 0};
    page.byId("l")->handleMouse(leave);
    EXPECT_EQ(page.wordRect(u"Link").width(), normal.width());
    EXPECT_EQ(page.wordRect(u"tail").left, tailBefore);
}

// A fractional size is scaled before it is cut: 13.5 px at 144 dpi is 20.
TEST(Fonts, FractionalSizeIsScaledBeforeTruncation) {
    Page page("<span style='font-size:13.5px'>Half</span><span style='font-size:13px'>Whole</span>", 600, 144);
    EXPECT_EQ(page.word(u"Half")->getFont()->height(), -20);
    EXPECT_EQ(page.word(u"Whole")->getFont()->height(), -19);
}

TEST(Relayout, SizeChangeGoesUpToTheParent) {
    Page page(
        "<div id='outer' style='width:200px'><div id='inner' "
        "style='display:inline-block'>short</div></div>",
        300);
    BoxView* inner = page.box("inner");
    BoxView* outer = page.box("outer");
    ASSERT_TRUE(inner->attached());
    inner->setText(u"a much longer text");
    EXPECT_FALSE(inner->attached());
    EXPECT_FALSE(outer->attached());
}

// The layouters on their own.

TEST(Layouters, MeasuringAndPlacingAgreeOnLinesAndWidths) {
    // Three fixed-size views on a 100-pixel line: the third wraps.
    ViewContext context;
    std::vector<std::unique_ptr<View>> views;
    for (int i = 0; i < 3; ++i) {
        views.push_back(std::make_unique<View>(&context));
        views.back()->setSize(40, 10 + i * 5);
    }
    NormalLayouter place({0, 0, 100, 200});
    CalcSizeLayouter measure({0, 0, 100, 200});
    for (auto& v : views) measure.add(v.get());
    measure.finish();
    place.setVAlignLine(Layouter::kMiddle);
    for (auto& v : views) place.add(v.get());
    EXPECT_EQ(views[0]->rect().left, -40);  // out of sight until finish
    EXPECT_EQ(place.lineItemCount(), 1);
    place.finish();
    EXPECT_EQ(views[0]->rect(), (Rect{0, 2, 40, 12}));  // middle of a 15-pixel line
    EXPECT_EQ(views[1]->rect(), (Rect{40, 0, 80, 15}));
    EXPECT_EQ(views[2]->rect(), (Rect{0, 15, 40, 35}));
    EXPECT_EQ(place.getUsedRect(), (Rect{0, 0, 80, 35}));
    EXPECT_EQ(measure.getUsedRect(), (Rect{0, 0, 80, 35}));
    EXPECT_EQ(place.setLineSpacing(-4), 0);
    EXPECT_EQ(place.getLineSpacing(), 0);
}
