#include <cairo.h>
#include <gtest/gtest.h>

#include "platform/gfx/Dc.h"

using namespace platform::gfx;

namespace {

const Color kWhite = Color::rgb(255, 255, 255);
const Color kRed = Color::rgb(255, 0, 0);
const Color kBlue = Color::rgb(0, 0, 255);
const Color kNone = Color::rgba(0, 0, 0, 0);

std::unique_ptr<Dc> whiteDc(int w, int h) {
    auto dc = Dc::createImage(w, h);
    dc->fillRect({0, 0, w, h}, kWhite);
    return dc;
}

bool isDark(Color c) { return c.red < 128 && c.green < 128 && c.blue < 128; }

}  // namespace

TEST(DcTest, FillRectExcludesRightAndBottomEdges) {
    auto dc = whiteDc(10, 10);
    dc->fillRect({2, 3, 5, 6}, kRed);
    EXPECT_EQ(dc->pixel(2, 3), kRed);
    EXPECT_EQ(dc->pixel(4, 5), kRed);
    EXPECT_EQ(dc->pixel(5, 5), kWhite);
    EXPECT_EQ(dc->pixel(4, 6), kWhite);
    // Invisible colours paint nothing.
    dc->fillRect({0, 0, 10, 10}, kNone);
    EXPECT_EQ(dc->pixel(0, 0), kWhite);
}

TEST(DcTest, LinesExcludeTheirEndPointAndFollowThePenRhythm) {
    auto dc = whiteDc(40, 6);
    dc->line({0, 0}, {10, 0}, kRed);
    EXPECT_EQ(dc->pixel(9, 0), kRed);
    EXPECT_EQ(dc->pixel(10, 0), kWhite);
    // Drawn backwards the start is lit and the end is not.
    dc->line({10, 1}, {0, 1}, kRed);
    EXPECT_EQ(dc->pixel(10, 1), kRed);
    EXPECT_EQ(dc->pixel(0, 1), kWhite);
    dc->line({0, 2}, {12, 2}, kBlue, PenStyle::Dot);
    for (int x = 0; x < 12; ++x) EXPECT_EQ(dc->pixel(x, 2), (x % 6) < 3 ? kBlue : kWhite) << x;
    dc->line({0, 3}, {40, 3}, kBlue, PenStyle::Dash);
    EXPECT_EQ(dc->pixel(17, 3), kBlue);
    EXPECT_EQ(dc->pixel(18, 3), kWhite);
    EXPECT_EQ(dc->pixel(24, 3), kBlue);
    dc->line({39, 0}, {39, 5}, kRed);
    EXPECT_EQ(dc->pixel(39, 4), kRed);
    EXPECT_EQ(dc->pixel(39, 5), kWhite);
}

// Vertical and horizontal gradients show in the document paint test.
TEST(DcTest, DiagonalGradientsRunFromCornerToCorner) {
    auto dc = whiteDc(100, 50);
    dc->fillGradient({0, 0, 100, 50}, kRed, kBlue, GradientMode::ForwardDiagonal);
    EXPECT_GE(dc->pixel(0, 0).red, 245);
    EXPECT_GE(dc->pixel(99, 49).blue, 245);
    // The other diagonal sits half way on a stretched rectangle too.
    EXPECT_NEAR(dc->pixel(99, 0).red, dc->pixel(0, 49).red, 8);
    dc->fillGradient({0, 0, 100, 50}, kRed, kBlue, GradientMode::BackwardDiagonal);
    EXPECT_GE(dc->pixel(99, 0).red, 245);
    EXPECT_GE(dc->pixel(0, 49).blue, 245);
}

TEST(DcTest, ClipTranslateAndSaveScope) {
    auto dc = whiteDc(20, 20);
    {
        Dc::SaveScope scope(*dc);
        dc->translate(5, 5);
        dc->intersectClip({0, 0, 5, 5});
        EXPECT_EQ(dc->clipBox(), (Rect{0, 0, 5, 5}));
        dc->fillRect({-5, -5, 20, 20}, kRed);
    }
    EXPECT_EQ(dc->pixel(5, 5), kRed);
    EXPECT_EQ(dc->pixel(9, 9), kRed);
    EXPECT_EQ(dc->pixel(10, 10), kWhite);
    EXPECT_EQ(dc->pixel(4, 4), kWhite);
    EXPECT_EQ(dc->clipBox(), (Rect{0, 0, 20, 20}));
}

TEST(DcTest, ImagesStretchAndTileFromTheirOrigin) {
    auto image = Image::create(2, 2);
    image->setPixel(0, 0, kRed);
    image->setPixel(1, 0, kBlue);
    image->setPixel(0, 1, kBlue);
    image->setPixel(1, 1, kRed);
    auto dc = whiteDc(20, 20);
    dc->drawImage(*image, 0, {0, 0, 2, 2});
    EXPECT_EQ(dc->pixel(1, 0), kBlue);
    dc->tileImage(*image, 0, {4, 4, 20, 20}, {5, 5}, 2, 2);
    EXPECT_EQ(dc->pixel(4, 4), kRed);  // tile before the origin, its last texel
    EXPECT_EQ(dc->pixel(5, 5), kRed);
    EXPECT_EQ(dc->pixel(6, 5), kBlue);
    EXPECT_EQ(dc->pixel(8, 7), kBlue);
    EXPECT_EQ(dc->pixel(19, 19), kRed);
    EXPECT_EQ(dc->pixel(3, 3), kWhite);  // outside the area
    // Scaled up, a plain picture keeps its colour right to its edges.
    auto plain = Image::create(2, 2);
    for (int i = 0; i < 4; ++i) plain->setPixel(i % 2, i / 2, kBlue);
    dc->drawImage(*plain, 0, {10, 0, 16, 3});
    EXPECT_EQ(dc->pixel(10, 0), kBlue);
    EXPECT_EQ(dc->pixel(15, 2), kBlue);
    EXPECT_EQ(dc->pixel(16, 2), kWhite);
    // Missing frames and empty images are ignored.
    dc->drawImage(*image, 3, {0, 0, 20, 20});
    EXPECT_EQ(dc->pixel(19, 0), kWhite);
}

TEST(DcTest, TextIsPaintedInsideItsMeasuredExtents) {
    auto dc = whiteDc(120, 30);
    auto font = Font::create(-13, 400, false, u"Verdana");
    TextExtents e = dc->textExtents(u"Hamburg", *font);
    dc->textOut(10, 5, u"Hamburg", *font, Color::rgb(0, 0, 0), Color::rgb(255, 255, 0));
    int dark = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 120; ++x) {
            if (!isDark(dc->pixel(x, y))) continue;
            ++dark;
            EXPECT_GE(x, 10);
            EXPECT_LT(x, 10 + e.width);
            EXPECT_GE(y, 5);
            EXPECT_LT(y, 5 + e.height);
        }
    EXPECT_GT(dark, 20);
    EXPECT_EQ(dc->pixel(10, 5 + e.height - 1),
              Color::rgb(255, 255, 0));  // background below the glyphs
    EXPECT_EQ(dc->pixel(10 + e.width, 5), kWhite);
}

TEST(DcTest, WrappedContextPaintsIntoItsOwnersSurface) {
    // As the window does: its surface, its context, our drawing calls.
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
    cairo_t* cr = cairo_create(surface);
    {
        auto dc = Dc::wrap(cr);
        EXPECT_EQ(dc->width(), 0);
        dc->translate(-2, -2);
        dc->fillRect({2, 2, 4, 4}, kRed);
    }
    cairo_destroy(cr);  // the Dc held its own reference until here
    cairo_surface_flush(surface);
    const auto* row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(surface));
    EXPECT_EQ(row[0], 0xFFFF0000u);
    EXPECT_EQ(row[2], 0u);
    cairo_surface_destroy(surface);
}

TEST(DcTest, TargetTooLargeForAnImageDrawsNothingAndSaysSo) {
    auto dc = Dc::createImage(100000, 100000);
    dc->fillRect({0, 0, 10, 10}, kRed);
    EXPECT_EQ(dc->width(), 0);
    EXPECT_EQ(dc->pixel(1, 1).alpha, 0);
    EXPECT_FALSE(dc->writePng("/tmp/never-written.png"));
    EXPECT_EQ(Image::create(100000, 100000)->pixel(1, 1).alpha, 0);
}
