// Quick interaction with the frame window, thirty times in a row while both
// cores are busy with other processes: hover an element with a tooltip,
// click a link, type into a field, click a check box, turn the wheel and
// close with Ctrl+Q, each step 0.2-0.4 s after the one before, as a quick
// user would. Every run must see every step arrive. Long, so it runs only
// when asked: VARTO_STRESS=1 ctest -L stress (see docs/testing.md).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <sstream>

#include "platform/Process.h"
#include "tests/gui/GuiDriver.h"

using namespace gui_test;

namespace {

// One busy loop per core, for as long as the test runs.
class BusyCores {
public:
    explicit BusyCores(int count) {
        for (int i = 0; i < count; ++i) {
            loops_.push_back(std::make_unique<platform::Process>());
            loops_.back()->spawn({"sh", "-c", "while :; do :; done"}, true);
        }
    }
    ~BusyCores() {
        for (auto& loop : loops_) loop->terminate();
    }

private:
    std::vector<std::unique_ptr<platform::Process>> loops_;
};

bool has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Visible windows of the program besides its main window.
std::vector<std::string> otherWindows(const Viewer& viewer) {
    std::string found;
    run({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(viewer.pid())}, &found);
    std::istringstream in(found);
    std::vector<std::string> others;
    for (std::string id; in >> id;)
        if (id != viewer.window()) others.push_back(id);
    return others;
}

bool inside(const Box& box, int x, int y) {
    return x >= box.x && x < box.x + box.width && y >= box.y && y < box.y + box.height;
}

// Every tooltip that showed was below the pointer, for the element under
// it, and none was left when a press was handled. Empty when so.
std::string checkTooltips(const std::vector<std::string>& lines, const Viewer& viewer,
                          const Geometry& g) {
    for (const std::string& line : lines) {
        if (line.rfind("tooltip-at-press ", 0) == 0) return "a tip was showing at a press";
        if (line.rfind("tooltip-shown ", 0) != 0) continue;
        std::istringstream in(line.substr(14));
        std::string id, word;
        Box tip;
        int x = 0, y = 0;
        in >> id >> tip.x >> tip.y >> tip.width >> tip.height >> word >> x >> y;
        Box element = g.boxes.count(id) ? g.boxes.at(id) : Box{};
        element.x += viewer.originX();
        element.y += viewer.originY();
        if (!inside(element, x, y)) return "a tip for an element the pointer is not on: " + line;
        if (tip.y <= y || inside(tip, x, y)) return "a tip not below the pointer: " + line;
    }
    return "";
}

// What went wrong in one run, empty when nothing did. The steps follow each
// other like a quick user's, without waiting for the window between them.
std::string oneRun(std::mt19937& random) {
    std::uniform_int_distribution<int> gap(200, 400);
    auto pace = [&] { run({"sleep", std::to_string(gap(random) / 1000.0)}); };
    Viewer viewer({sourceDir() + "/tests/data/gui/frame.xhtml"}, "frame.xhtml");
    if (!viewer.ok()) return "no window";
    Geometry g = viewer.geometry();
    const Box link = g.boxes["rowLink"];
    const Box field = g.boxes["field"];
    const Box check = g.boxes["check"];
    const Box tall = g.boxes["tall"];

    viewer.move(link.centerX(), link.centerY());  // it has a tooltip
    pace();
    viewer.click(link.centerX(), link.centerY());
    pace();
    // Anywhere on the field, its frame and padding included.
    viewer.click(std::uniform_int_distribution<int>(field.x + 2, field.x + field.width - 3)(random),
                 field.centerY());
    viewer.key("End");
    viewer.type("ab");
    pace();
    viewer.click(check.centerX(), check.centerY());
    pace();
    viewer.wheel(tall.x + 50, tall.y + 30, true);
    pace();

    std::string failed;
    auto expect = [&](bool ok, const std::string& what) {
        if (!ok && failed.empty()) failed = what;
    };
    const Geometry after = viewer.geometry();
    const auto frame = after.frames.count("-") ? after.frames.at("-") : std::vector<int>{};
    expect(frame.size() == 8 && frame[3] == 75, "the wheel did not scroll one notch");
    expect(after.tooltip == "-", "a tip shows after the pointer left its element");
    for (const std::string& other : otherWindows(viewer)) {
        std::string name;
        run({"xdotool", "getwindowname", other}, &name);
        expect(false, "a window besides the main one is visible: " + name);
    }
    expect(viewer.quit() == 0, "Ctrl+Q did not close the window");
    const std::vector<std::string> lines = viewer.lines();
    expect(has(lines, "link-clicked rowLink"), "the link click was lost");
    expect(has(lines, "left-button-up check"), "the check box click was lost");
    expect(has(lines, "value check=true"), "the check box is not checked");
    const auto value = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("value field=", 0) == 0;
    });
    expect(value != lines.end() && *value == "value field=_compressedab",
           "the field holds " + (value != lines.end() ? *value : std::string("nothing")));
    const std::string tips = checkTooltips(lines, viewer, g);
    expect(tips.empty(), tips);
    if (!failed.empty() && std::getenv("VARTO_STRESS_VERBOSE"))
        for (const std::string& line : lines) failed += "\n  " + line;
    return failed;
}

}  // namespace

TEST(FrameStress, ThirtyQuickInteractionsWhileBothCoresAreBusy) {
    if (!std::getenv("VARTO_STRESS")) GTEST_SKIP() << "long; run with VARTO_STRESS=1";
    const int runs = std::getenv("VARTO_STRESS_RUNS") ? std::atoi(std::getenv("VARTO_STRESS_RUNS"))
                                                        : 30;
    BusyCores busy(2);
    std::mt19937 random(27);
    int passed = 0;
    for (int i = 1; i <= runs; ++i) {
        const std::string failure = oneRun(random);
        if (failure.empty())
            ++passed;
        else
            ADD_FAILURE() << "run " << i << ": " << failure;
    }
    std::printf("stress: %d of %d runs passed\n", passed, runs);
    EXPECT_EQ(passed, runs);
}
