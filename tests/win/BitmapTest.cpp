#include <cairo.h>
#include <gtest/gtest.h>

#include "win/Bitmap.h"

namespace {

using platform::gfx::Color;
using platform::gfx::Dc;
using platform::gfx::Rect;

const Color kRed = Color::rgb(255, 0, 0);
const Color kGreen = Color::rgb(0, 128, 0);
const Color kBlue = Color::rgb(0, 0, 255);

// A 4 x 2 bitmap: left half red, right half green, taken from a Dc that is
// shifted by (10, 5), so copyFrom must honour the origin offset.
void makeRedGreen(win::Bitmap& bitmap) {
    auto dc = Dc::createImage(40, 20);
    dc->translate(10, 5);
    dc->fillRect(Rect{0, 0, 2, 2}, kRed);
    dc->fillRect(Rect{2, 0, 4, 2}, kGreen);
    ASSERT_TRUE(bitmap.createCompatible(*dc, 4, 2));
    bitmap.copyAllFrom(*dc, 0, 0);
}

std::string rowOf(const Dc& dc, int y, int width) {
    std::string row;
    for (int x = 0; x < width; ++x) {
        Color c = dc.pixel(x, y);
        row += c == kRed ? 'R' : c == kGreen ? 'G' : c == kBlue ? 'B' : '?';
    }
    return row;
}

TEST(BitmapTest, DrawsCopiesScalesAndKeysOutTheTransparentColour) {
    win::Bitmap bitmap;
    makeRedGreen(bitmap);
    EXPECT_EQ(bitmap.getWidth(), 4);
    EXPECT_EQ(bitmap.info().bitsPerPixel, 32);

    struct Case {
        const char* what;
        int scaleWidth;  // 0: keep
        bool keyRed;
        int srcX, width;  // part drawn at x = 1
        const char* row;  // of a 10-pixel blue target
    };
    const Case cases[] = {
        {"plain copy", 0, false, 0, 4, "BRRGGBBBBB"},
        {"part", 0, false, 1, 2, "BRGBBBBBBB"},
        {"colour key", 0, true, 0, 4, "BBBGGBBBBB"},
        {"scaled to 8", 8, false, 0, 8, "BRRRRGGGGB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        win::Bitmap b;
        makeRedGreen(b);
        if (c.scaleWidth) {
            ASSERT_TRUE(b.scaleTo(c.scaleWidth, 2));
            EXPECT_EQ(b.getWidth(), c.scaleWidth);
        }
        if (c.keyRed) b.setTransparentColor(0x0000FF);
        auto target = Dc::createImage(10, 2);
        target->fillRect(Rect{0, 0, 10, 2}, kBlue);
        b.draw(*target, 1, 0, c.width, 2, c.srcX, 0);
        EXPECT_EQ(rowOf(*target, 1, 10), c.row);
    }

    // A duplicate is a picture of its own.
    win::Bitmap copy;
    copy.attachHandle(bitmap.duplicate(), true);
    auto blank = Dc::createImage(4, 2);
    blank->fillRect(Rect{0, 0, 4, 2}, kBlue);
    bitmap.copyAllFrom(*blank, 0, 0);
    auto target = Dc::createImage(4, 2);
    copy.drawAt(*target, 0, 0);
    EXPECT_EQ(rowOf(*target, 0, 4), "RRGG");

    // Empty bitmaps draw nothing; failed loads leave the bitmap empty.
    win::Bitmap empty;
    empty.drawAt(*target, 0, 0);
    EXPECT_EQ(rowOf(*target, 0, 4), "RRGG");
    EXPECT_FALSE(empty.loadResource("no-such.png"));
    EXPECT_FALSE(empty.loadResource(4711));
    EXPECT_FALSE(empty.isValid());
}

TEST(BitmapTest, OnlyOwnedHandlesAreDeleted) {
    win::Bitmap source;
    makeRedGreen(source);
    win::Bitmap::Handle handle = source.detachHandle();
    EXPECT_FALSE(source.isValid());
    cairo_surface_reference(handle);  // our own hold, to watch the count
    {
        win::Bitmap borrowed;
        borrowed.attachHandle(handle, false);
        EXPECT_TRUE(borrowed.isValid());
        borrowed.release();
        EXPECT_EQ(cairo_surface_get_reference_count(handle), 2u);
        borrowed.attachHandle(handle, false);
        EXPECT_EQ(borrowed.detachHandle(), handle);
    }
    EXPECT_EQ(cairo_surface_get_reference_count(handle), 2u);
    {
        win::Bitmap owner;
        owner.attachHandle(handle, true);
    }
    EXPECT_EQ(cairo_surface_get_reference_count(handle), 1u);
    cairo_surface_destroy(handle);
}

}  // namespace
