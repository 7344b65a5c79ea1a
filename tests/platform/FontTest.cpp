#include <gtest/gtest.h>

#include "platform/gfx/Font.h"

using platform::gfx::Font;

// FONTCONFIG_FILE maps every family to DejaVu Sans, so these numbers are
// the same on every machine.

TEST(FontTest, LineMetricsAreConsistentAndScaleWithHeight) {
    auto small = Font::create(-13, 400, false, u"Verdana");
    auto large = Font::create(-19, 400, false, u"Verdana");
    for (auto* f : {small.get(), large.get()}) {
        EXPECT_GT(f->ascent(), 0);
        EXPECT_GT(f->descent(), 0);
        EXPECT_EQ(f->ascent() + f->descent(), f->lineHeight());
    }
    EXPECT_GT(large->lineHeight(), small->lineHeight());
    // A positive height names the same em size as the negative one.
    EXPECT_EQ(Font::create(13, 400, false, u"Verdana")->measure(u"Hello").width,
              small->measure(u"Hello").width);
}

TEST(FontTest, MeasureGivesWholeLineForAnyText) {
    auto f = Font::create(-13, 400, false, u"Verdana");
    auto empty = f->measure(u"");
    EXPECT_EQ(empty.width, 0);
    EXPECT_EQ(empty.height, f->lineHeight());
    auto word = f->measure(u"Compress");
    EXPECT_GT(word.width, 40);
    EXPECT_EQ(word.height, f->lineHeight());
    EXPECT_EQ(word.ascent, f->ascent());
    // A blank has a width: the layout's dropped and kept blanks depend on it.
    EXPECT_GT(f->measure(u" ").width, 0);
    // Repeated measurements come from the cache and must not drift.
    EXPECT_EQ(f->measure(u"Compress").width, word.width);
}

TEST(FontTest, WeightAndSlantChangeTheFace) {
    auto regular = Font::create(-13, 400, false, u"Verdana");
    auto bold = Font::create(-13, 700, false, u"Verdana");
    EXPECT_GT(bold->measure(u"Settings and options").width,
              regular->measure(u"Settings and options").width);
    EXPECT_TRUE(Font::create(-13, 400, true, u"Arial")->italic());
}

TEST(FontTest, NonBmpAndBrokenSurrogatesAreMeasured) {
    auto f = Font::create(-13, 400, false, u"Verdana");
    std::u16string broken = u"a";
    broken += char16_t(0xD800);  // lone high surrogate
    EXPECT_GT(f->measure(broken).width, f->measure(u"a").width);
    EXPECT_GT(f->measure(u"\U0001F600").width, 0);
}
