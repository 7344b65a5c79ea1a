#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "compress/TargetSearch.h"
#include "compress/TargetSize.h"

using namespace enginetest;

TEST(TargetSizeTest, SizesAreReadInTheirUnitsAndBadOnesNamed) {
    const struct {
        const char* text;
        int64_t bytes;  // -1: refused
    } cases[] = {
        {"", 0},           {"  ", 0},           {"2000000", 2000000}, {"2MB", 2000000},
        {"2 MB", 2000000}, {"2mb", 2000000},    {"1.5 MB", 1500000},  {"1,5 MB", 1500000},
        {"500kB", 500000}, {"500 KB", 500000},  {"1 KiB", 1024},      {"2MiB", 2097152},
        {"3k", 3000},      {" 700 B ", 700},    {"0", -1},            {"0.1", -1},
        {"-2MB", -1},      {"2XB", -1},         {"MB", -1},           {"1.2.3MB", -1},
        {"2 M B", -1},     {"1e3", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int64_t bytes = 7;
        ZString error;
        bool ok = TargetSize::parse(z(c.text), bytes, error);
        EXPECT_EQ(ok, c.bytes >= 0);
        if (ok) {
            EXPECT_EQ(bytes, c.bytes);
        } else {
            EXPECT_TRUE(error.startsWith(u"'" + z(c.text) + u"' is no size")) << u8(error);
        }
    }
    EXPECT_EQ(TargetSize::ofSettings({{u"targetSize", u"2 MiB"}}), 2097152);
    EXPECT_EQ(TargetSize::ofSettings({{u"targetSize", u"lots"}}), 0);
    EXPECT_EQ(TargetSize::ofSettings({}), 0);
    EXPECT_EQ(u8(TargetSize::format(2600000, false)), "2.6 MB");
    EXPECT_EQ(u8(TargetSize::format(2600000, true)), "2.5 MiB");
    EXPECT_EQ(u8(TargetSize::format(999, false)), "999 bytes");
}

// Quality first from 85 at the form's resolution, then resolution at the
// quality floor; the floors come from the configuration.
TEST(TargetSizeTest, CandidatesGoQualityFirstThenResolutionDownToTheFloors) {
    EngineEnv env;
    auto ladder = [](const char16_t* dpi) {
        Props settings = formSettings(dpi);
        return TargetSearch(settings, 1000).candidates();
    };
    auto at144 = ladder(u"144");
    ASSERT_EQ(at144.size(), 56u + 72u);
    EXPECT_EQ(at144.front().dpi, 144);
    EXPECT_EQ(at144.front().quality, 85);
    EXPECT_EQ(at144[55].quality, 30);
    EXPECT_EQ(at144[56].dpi, 143);
    EXPECT_EQ(at144[56].quality, 30);
    EXPECT_EQ(at144.back().dpi, 72);
    // Images kept at their resolution: the resolutions start at 300.
    auto kept = ladder(u"0");
    EXPECT_EQ(kept[0].dpi, 0);
    EXPECT_EQ(kept[56].dpi, 300);

    env.setConfig("compress.targetMinQuality", "90");
    env.setConfig("compress.targetMinDpi", "150");
    auto floors = ladder(u"144");
    ASSERT_EQ(floors.size(), 1u);  // above 85 and the form's dpi already below the floor
    EXPECT_EQ(floors[0].dpi, 144);
    EXPECT_EQ(floors[0].quality, 90);
}
