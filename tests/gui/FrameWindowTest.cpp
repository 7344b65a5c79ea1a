// The live frame window driven from outside with real X events: pointer
// moves, clicks, the wheel and keys go through xdotool to xhtml-view, and
// what happened is read back from its output, its window and screenshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "GuiDriver.h"

using namespace gui_test;

namespace {

const std::string kFrameDocument = sourceDir() + "/tests/data/gui/frame.xhtml";

std::string artifacts() {
    const std::string dir = std::string(VARTO_BINARY_DIR) + "/artifacts";
    std::filesystem::create_directories(dir);
    return dir;
}

// Lines for one id in the order printed.
std::vector<std::string> eventsOf(const std::vector<std::string>& lines, const std::string& id) {
    std::vector<std::string> events;
    for (const std::string& line : lines) {
        if (line.size() > id.size() &&
            line.compare(line.size() - id.size() - 1, std::string::npos, " " + id) == 0)
            events.push_back(line.substr(0, line.size() - id.size() - 1));
    }
    return events;
}

}  // namespace

TEST(FrameWindow, ToolButtonsFollowThePointerWithTooltipsAndLocalRelayout) {
    Viewer viewer({"--size", "800x600", "res:///ui.xhtml"}, "res:///ui.xhtml");
    ASSERT_TRUE(viewer.ok());
    Geometry before = viewer.geometry();
    ASSERT_TRUE(before.boxes.count("actionAdd") && before.boxes.count("actionShow"));
    const Box add = before.boxes["actionAdd"];
    const Box show = before.boxes["actionShow"];
    const std::string shot = artifacts() + "/gui-hover.png";

    const int addX = viewer.originX() + add.x + 3, addY = viewer.originY() + add.y + 3;
    const int showX = viewer.originX() + show.x + 3, showY = viewer.originY() + show.y + 3;

    viewer.move(add.centerX(), add.y + 6);
    Geometry hovered = viewer.geometry();
    waitForPixels(shot, 800, 600, {{addX, addY, 0xFFECB5}, {showX, showY, 0xFFFFFF}});
    EXPECT_EQ(pixelOf(shot, addX, addY), 0xFFECB5) << "hover colour";
    EXPECT_EQ(pixelOf(shot, showX, showY), 0xFFFFFF);
    EXPECT_EQ(hovered.layouts, before.layouts) << "a hover does not lay the document out again";
    EXPECT_GT(hovered.boxesLaidOut, before.boxesLaidOut);
    EXPECT_LE(hovered.boxesLaidOut - before.boxesLaidOut, 3) << "only the button is laid out again";

    viewer.press(add.centerX(), add.y + 6);
    waitForPixels(shot, 800, 600, {{addX, addY, 0xFFD870}});
    EXPECT_EQ(pixelOf(shot, addX, addY), 0xFFD870) << "pressed";
    viewer.release();
    EXPECT_TRUE(viewer.waitFor("clicked actionAdd"));

    // At rest on the button its tooltip comes at the next 500 ms tick.
    bool shown = false;
    for (int i = 0; i < 20 && !shown; ++i) shown = viewer.geometry().tooltip == "actionAdd";
    EXPECT_TRUE(shown);
    viewer.move(show.centerX(), show.y + 6);
    Geometry moved = viewer.geometry();
    EXPECT_NE(moved.tooltip, "actionAdd")
        << "the tip goes as soon as the pointer leaves its element";
    waitForPixels(shot, 800, 600, {{addX, addY, 0xFFFFFF}, {showX, showY, 0xFFECB5}});
    EXPECT_EQ(pixelOf(shot, addX, addY), 0xFFFFFF);
    EXPECT_EQ(pixelOf(shot, showX, showY), 0xFFECB5);
    EXPECT_EQ(viewer.quit(), 0);
}

TEST(FrameWindow, LinkInATableRowReportsItsClickInOrder) {
    Viewer viewer({kFrameDocument}, "frame.xhtml");
    ASSERT_TRUE(viewer.ok());
    const Box link = viewer.geometry().boxes["rowLink"];
    ASSERT_GT(link.width, 0);
    viewer.click(link.centerX(), link.centerY());
    ASSERT_TRUE(viewer.waitFor("left-button-up rowLink"));
    const std::vector<std::string> expected{"left-button-down", "link-clicked", "clicked",
                                            "left-button-up"};
    EXPECT_EQ(eventsOf(viewer.lines(), "rowLink"), expected);
    // A press that ends elsewhere is no click.
    viewer.press(link.centerX(), link.centerY());
    viewer.move(link.x + link.width + 200, link.centerY());
    viewer.release();
    EXPECT_TRUE(viewer.waitFor("left-button-up body"));
    const std::vector<std::string> lines = viewer.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "link-clicked rowLink"), 1);
    EXPECT_EQ(viewer.quit(), 0);
}

TEST(FrameWindow, WheelScrollsTheFrameUnderThePointerByThreeUnits) {
    for (const int dpi : {96, 144}) {
        SCOPED_TRACE(dpi);
        Viewer viewer({"--dpi", std::to_string(dpi), kFrameDocument}, "frame.xhtml");
        ASSERT_TRUE(viewer.ok());
        const int notch = 3 * (25 * dpi / 96);
        Geometry start = viewer.geometry();
        const Box inner = start.boxes["inner"];
        std::vector<int> outer = start.frames["-"];
        ASSERT_EQ(outer.size(), 8u);
        EXPECT_EQ(outer[7], 1) << "the tall document has a vertical bar";
        EXPECT_EQ(outer[6], 0) << "and no horizontal one";

        viewer.wheel(inner.centerX(), inner.centerY(), true);
        Geometry once = viewer.geometry();
        EXPECT_EQ(once.frames["inner"][3], notch) << "the nested frame scrolls in its own window";
        EXPECT_EQ(once.frames["-"][3], 0) << "the outer document stays";

        viewer.wheel(inner.centerX(), inner.centerY(), true, 12);
        Geometry bottom = viewer.geometry();
        const std::vector<int>& frame = bottom.frames["inner"];
        EXPECT_EQ(frame[3], frame[5] - frame[1]) << "the last position shows the bottom exactly";

        viewer.wheel(inner.x + inner.width + 50, inner.centerY(), true);
        Geometry outerOnce = viewer.geometry();
        EXPECT_EQ(outerOnce.frames["-"][3], notch);
        viewer.wheel(inner.x + inner.width + 50, 300, true, 35);
        const std::vector<int> last = viewer.geometry().frames["-"];
        EXPECT_EQ(last[3], last[5] - last[1]);
        // A fixed box keeps its place at the window's bottom-right corner.
        const Box corner = viewer.geometry().boxes["corner"];
        EXPECT_EQ(corner.x + corner.width, last[0]);
        EXPECT_EQ(corner.y + corner.height, last[1]);
        if (dpi == 96) {
            // Page Up moves back by one page (whole units); Page Down goes
            // back to the bottom exactly.
            viewer.key("Page_Up");
            const int paged = viewer.geometry().frames["-"][3];
            EXPECT_EQ(paged % 25, 0);
            EXPECT_NEAR(last[3] - paged, last[1], 2 * 25);
            viewer.key("Page_Down");
            EXPECT_EQ(viewer.geometry().frames["-"][3], last[3]);
            // Dragging the bar's thumb up by 60 pixels moves the document by
            // 60 pixels of the bar's scale (one unit of tolerance).
            const int barX = last[0] + 6;
            const int thumbY = (last[3] + last[1] / 2) * last[1] / last[5];
            viewer.press(barX, thumbY);
            viewer.move(barX, thumbY - 30);
            viewer.move(barX, thumbY - 60);
            viewer.release();
            const int dragged = viewer.geometry().frames["-"][3];
            EXPECT_NEAR(last[3] - dragged, 60 * last[5] / last[1], 25);
        }
        EXPECT_EQ(viewer.quit(), 0);
    }
}

TEST(FrameWindow, TypedTextToggledCheckBoxAndChosenOptionComeBackAsValues) {
    Viewer viewer({kFrameDocument}, "frame.xhtml");
    ASSERT_TRUE(viewer.ok());
    Geometry g = viewer.geometry();
    const Box field = g.boxes["field"];
    const Box check = g.boxes["check"];
    const Box pick = g.boxes["pick"];
    viewer.click(field.centerX(), field.centerY());
    viewer.key("End");
    viewer.type("X");
    // Tab follows the document, not the screen: the next field lies above.
    viewer.key("Tab");
    viewer.type("Y");
    viewer.key("shift+Tab");
    viewer.key("End");
    viewer.type("Z");
    viewer.click(check.centerX(), check.centerY());
    ASSERT_TRUE(viewer.waitFor("left-button-up check"));
    EXPECT_TRUE(viewer.waitFor("control-notify check"));
    viewer.click(pick.x + 5, pick.centerY());  // opens the list
    viewer.key("Down");
    viewer.key("Return");
    EXPECT_TRUE(viewer.waitFor("selection-changed pick"));
    ASSERT_EQ(viewer.quit(), 0);
    const auto lines = viewer.lines();
    auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("value field=_compressedXZ"));
    EXPECT_TRUE(has("value second=Y"));
    EXPECT_TRUE(has("value check=true"));
    EXPECT_TRUE(has("value pick=b"));
}

TEST(FrameWindow, InputBoxAnswersEnterAndEscapeAndGivesTheOwnerBack) {
    Viewer viewer({kFrameDocument}, "frame.xhtml");
    ASSERT_TRUE(viewer.ok());
    const Box ask = viewer.geometry().boxes["input-box"];
    viewer.click(ask.centerX(), ask.centerY());
    Viewer* owner = &viewer;
    std::string box = shownWindow("^input-box$");
    ASSERT_FALSE(box.empty()) << "the box appears with its caption";
    std::string shape;
    run({"xdotool", "getwindowgeometry", "--shell", box}, &shape);
    EXPECT_NE(shape.find("WIDTH=450"), std::string::npos) << shape;
    EXPECT_NE(shape.find("HEIGHT=160"), std::string::npos) << shape;
    run({"xdotool", "windowfocus", "--sync", box});
    run({"xdotool", "type", "--delay", "20", "secret"});
    run({"xdotool", "key", "Return"});
    EXPECT_TRUE(owner->waitFor("input-box true secret"));

    viewer.click(ask.centerX(), ask.centerY());
    box = shownWindow("^input-box$");
    ASSERT_FALSE(box.empty());
    run({"xdotool", "windowfocus", "--sync", box});
    run({"xdotool", "key", "Escape"});
    EXPECT_TRUE(viewer.waitFor("input-box false "));
    // The owner hears the pointer again.
    const Box link = viewer.geometry().boxes["rowLink"];
    viewer.click(link.centerX(), link.centerY());
    EXPECT_TRUE(viewer.waitFor("link-clicked rowLink"));
    EXPECT_EQ(viewer.quit(), 0);
}

TEST(FrameWindow, WindowDocumentScreenshotsAtTwoResolutionsInTwoLanguages) {
    for (const std::string lang : {"en", "de"}) {
        for (const int dpi : {96, 144}) {
            Viewer viewer({"--dpi", std::to_string(dpi), "--lang", lang, "--size",
                           dpi == 96 ? "800x600" : "1200x900", "res:///ui.xhtml"},
                          "res:///ui.xhtml");
            ASSERT_TRUE(viewer.ok());
            const std::string path =
                artifacts() + "/ui-" + std::to_string(dpi) + "-" + lang + ".png";
            // The program reports its first paint before GTK hands the frame to
            // the X server, so the screenshot is taken again until it shows it.
            const Box banner = viewer.geometry().boxes["banner"];
            auto bannerPixel = [&] {
                return pixelOf(path, viewer.originX() + banner.x + 3,
                               viewer.originY() + banner.y + 3);
            };
            EXPECT_TRUE(testsupport::waitUntil(
                [&] {
                    return screenshot(path, dpi == 96 ? 800 : 1200, dpi == 96 ? 600 : 900) &&
                           bannerPixel() != 0xFFFFFF;
                },
                5000))
                << "the screenshot shows the painted document";
            const Box add = viewer.geometry().boxes["actionAdd"];
            EXPECT_EQ(add.width, 136 * dpi / 96 - 2 * (2 * dpi / 96)) << lang << " " << dpi;
            EXPECT_EQ(pixelOf(path, viewer.originX() + add.x + 3, viewer.originY() + add.y + 3),
                      0xFFFFFF);
            EXPECT_EQ(viewer.quit(), 0);
        }
    }
}

// Drop-downs without a CSS width take what GTK's own control needs for its
// longest item (frame, padding, arrow and text, measured from the live
// widget), at every resolution: short items are never cut to "...".
TEST(FrameWindow, DropDownsAreAsWideAsTheirLongestItemAtEveryDpi) {
    const std::string document = sourceDir() + "/tests/data/gui/dropdowns.xhtml";
    for (const int dpi : {96, 144, 192}) {
        SCOPED_TRACE(dpi);
        Viewer viewer({"--dpi", std::to_string(dpi), "--size", "500x300", document},
                      "dropdowns.xhtml");
        ASSERT_TRUE(viewer.ok());
        Geometry g = viewer.geometry();
        for (const char* id : {"short", "long", "typed", "checks"}) {
            SCOPED_TRACE(id);
            ASSERT_TRUE(g.fits.count(id));
            const auto [width, needed] = g.fits[id];
            EXPECT_GE(width, needed) << "the chosen item is shown in full";
            EXPECT_LE(width, needed + 2) << "and the box is no wider than that";
            EXPECT_EQ(g.boxes[id].width, width);
        }
        EXPECT_GT(g.fits["long"].first, g.fits["short"].first);
        EXPECT_EQ(g.boxes["narrow"].width, 40 * dpi / 96) << "a CSS width still rules";
        EXPECT_EQ(g.boxes["short"].height, g.boxes["long"].height);
        // Kept for the eye; taken again until the controls are on the screen.
        const std::string path = artifacts() + "/dropdowns-" + std::to_string(dpi) + ".png";
        const Box face = g.boxes["short"];
        for (int attempt = 0; attempt < 50; ++attempt) {
            ASSERT_TRUE(screenshot(path, 500, 300));
            if (pixelOf(path, viewer.originX() + face.x + 2, viewer.originY() + face.centerY()) !=
                0xFFFFFF)
                break;
        }
        EXPECT_EQ(viewer.quit(), 0);
        const std::vector<std::string> lines = viewer.lines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), "value short=2"), lines.end());
    }
}

TEST(FrameWindow, UnreadableFileFailsClearly) {
    std::string output;
    EXPECT_EQ(run({binDir() + "/xhtml-view", "/nonexistent/file.xhtml"}, &output), 1);
    EXPECT_NE(output.find("cannot read /nonexistent/file.xhtml"), std::string::npos) << output;
}
