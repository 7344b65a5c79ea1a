#include <glib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Resources.h"
#include "platform/ThreadTimer.h"
#include "tests/support/TestSupport.h"

namespace {

std::vector<uint32_t> ticks;
uint32_t stopOnTick = 0;

void record(uint32_t id) {
    ticks.push_back(id);
    if (id == stopOnTick) platform::ThreadTimer::stop(id);
}

// Runs the default main context until `done` or two seconds have passed.
void runUntil(const std::function<bool()>& done) {
    testsupport::waitUntil(done, 2000, [] { g_main_context_iteration(nullptr, TRUE); });
}

}  // namespace

TEST(ThreadTimer, TicksWithoutADisplayAndStopsFromItsOwnCallback) {
    ticks.clear();
    const uint32_t a = platform::ThreadTimer::start(1, record);
    const uint32_t b = platform::ThreadTimer::start(1, record);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, a);
    stopOnTick = b;
    runUntil([&] { return std::count(ticks.begin(), ticks.end(), a) >= 3; });
    EXPECT_GE(std::count(ticks.begin(), ticks.end(), a), 3);
    EXPECT_EQ(std::count(ticks.begin(), ticks.end(), b), 1) << "stopped inside its first tick";
    EXPECT_FALSE(platform::ThreadTimer::isRunning(b));

    EXPECT_TRUE(platform::ThreadTimer::restart(a, 2));
    EXPECT_TRUE(platform::ThreadTimer::isRunning(a));
    const size_t before = ticks.size();
    runUntil([&] { return ticks.size() > before; });
    EXPECT_EQ(ticks.back(), a) << "a restarted timer keeps its id";
    EXPECT_TRUE(platform::ThreadTimer::stop(a));
    EXPECT_FALSE(platform::ThreadTimer::stop(a));
    EXPECT_FALSE(platform::ThreadTimer::restart(a, 5));
    EXPECT_EQ(platform::ThreadTimer::start(5, nullptr), 0u);
}

TEST(Resources, MissingModulesAndNamesReadNothing) {
    std::string bytes = "kept";
    EXPECT_FALSE(platform::Resources::read("No.dll", "x.png", bytes));
    EXPECT_FALSE(platform::Resources::read("", "", bytes));
    EXPECT_EQ(bytes, "kept");
    EXPECT_EQ(platform::Resources::path("Resources.DLL", "Banner_EN.png"), "/varto/resources/banner_en.png");
    EXPECT_EQ(platform::Resources::path("", "UI.XHTML"), "/varto/program/ui.xhtml");
}
