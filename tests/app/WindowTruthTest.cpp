// What the window shows of each file is true: sizes as the batch command
// gives them, failed files kept with their reason, protected files saved
// protected, a file listed once, and saving while a file is compressed.
// Each test drives the real program on a private X server and reads back
// the list from its screenshot and from the lines it writes for each
// finished row.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "tests/app/WindowDriver.h"

using namespace windowtest;
namespace fs = std::filesystem;

namespace {

constexpr int kCompressTimeoutMs = 180000;

bool haveCorpus() { return fs::exists(corpus("vector-gofpdf-charts.pdf")); }

// The batch command's "<size> -> <new size>" for the same file.
std::string batchSizes(const App& app, const std::string& file, const std::string& out) {
    int code = -1;
    std::string printed = app.runProgram(
        {binDir() + "/varto-compress-cli", "--password", "secret", "-o", out, file}, &code);
    size_t start = printed.find(": ");
    size_t end = printed.find(" (");
    if (code != 0 || start == std::string::npos || end == std::string::npos) return printed;
    return printed.substr(start + 2, end - start - 2);
}

bool isDark(Pixel p) { return p.r < 100 && p.g < 100 && p.b < 100; }

// The vertical centres of the text lines down a rectangle of the screenshot
// (the header first, then one per row).
std::vector<int> textLines(const std::string& png, const Geometry& g,
                           const platform::gfx::Rect& r) {
    std::vector<int> centres;
    int start = -1;
    for (int y = r.top; y <= r.bottom; ++y) {
        bool ink = false;
        for (int x = r.left; x < r.right && !ink && y < r.bottom; ++x) {
            ink = isDark(App::pixelAt(png, g.x + x, g.y + y));
        }
        if (ink && start < 0) start = y;
        if (!ink && start >= 0) {
            centres.push_back((start + y) / 2);
            start = -1;
        }
    }
    return centres;
}

// Points at a place of the window until a tooltip shows, then keeps a
// screenshot of it.
void showTooltip(const App& app, int x, int y, const std::string& name) {
    EXPECT_FALSE(app.hoverUntilTooltip(x, y, 20000).empty()) << name;
    app.screenshot(artifacts() + "/" + name);
}

// Types a path into the save dialog's name field, once the field holds the
// proposed name (it takes keys then), and again while the field's
// completion raced the keys; true once the path is there.
bool typeSaveName(const App& app, const std::string& dialog, const std::string& path) {
    app.run("xdotool windowfocus --sync " + dialog);
    auto endsWith = [](const std::string& text, const std::string& end) {
        return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
    };
    if (!waitUntil(
            [&] {
                std::string name = app.fieldText();
                return name.size() > 4 && name.find('/') == std::string::npos && endsWith(name, ".pdf");
            },
            20000, 200))
        return false;
    return app.fillField(path, [&](const std::string& typed) { return typed == path || typed == path + ".pdf"; });
}

}  // namespace

// A PDF, a damaged one, one that cannot be read at all, a password-protected
// one and a link to the first: the sizes are the batch command's, the damaged
// and the unreadable file stay listed with "Cannot be read" in red after one
// box each that names the user's file, the protected one is saved protected,
// the link and a second sending of the same file are not listed again, and a
// file that does not exist is refused by the sender.
TEST(WindowTruthTest, SizesFailuresProtectionAndDuplicates) {
    if (!haveCorpus()) GTEST_SKIP() << "the shared corpus is not here";
    Folder user("varto-user"), out("varto-out"), batchOut("varto-batch");
    std::string charts = copyInto(user, "vector-gofpdf-charts.pdf", "charts.pdf");
    std::string damaged = copyInto(user, "damaged-truncated.pdf", "damaged.pdf");
    // No reading for its owner; root reads any file, but no folder as a file.
    std::string unreadable = user / "unreadable.pdf";
    if (getuid() == 0) {
        fs::create_directory(unreadable);
    } else {
        copyInto(user, "vector-gofpdf-charts.pdf", "unreadable.pdf");
        fs::permissions(unreadable, fs::perms::none);
    }
    std::string locked = encryptedCopy(user, "locked.pdf");
    fs::create_symlink(charts, user / "link.pdf");

    App::Options options;
    options.args = {charts, damaged, unreadable, locked, user / "link.pdf"};
    App app(options);
    ASSERT_TRUE(app.waitForWindow()) << app.outputText();

    // The damaged file: the message names the user's file; OK goes on.
    std::string box = app.newWindow({app.windowId()}, 30000);
    ASSERT_FALSE(box.empty());
    ASSERT_TRUE(app.answer(box, "", "Return"));
    // The unreadable one: one copy error box, answered Cancel.
    box = app.waitForWindowNamed("^File copy error$", 30000);
    ASSERT_FALSE(box.empty());
    ASSERT_TRUE(app.answer(box, "", "Escape"));
    std::string prompt = app.waitForWindowNamed("locked\\.pdf", 30000);
    ASSERT_FALSE(prompt.empty());
    ASSERT_TRUE(app.answer(prompt, "secret", "Return"));
    ASSERT_TRUE(app.waitForTitle("Varto Compress (4 / 4)", kCompressTimeoutMs)) << app.title();
    EXPECT_TRUE(app.waitForWindowNamed("^File copy error$", 500).empty()) << "a second box";

    // What the boxes said (the console keeps it) names the user's files,
    // never a private copy.
    std::string said = app.outputText();
    size_t copyBox = said.find("File copy error: ");
    ASSERT_NE(copyBox, std::string::npos) << said;
    EXPECT_EQ(said.find("File copy error: ", copyBox + 1), std::string::npos) << said;
    EXPECT_NE(said.find("Source=" + unreadable + "\n", copyBox), std::string::npos) << said;
    EXPECT_NE(said.find("Destination=a private copy of " + unreadable + " in the temporary folder",
                        copyBox),
              std::string::npos)
        << said;
    for (const char* named : {"Source=", "Destination=", "Affected PDF file:\n"}) {
        for (size_t at = said.find(named); at != std::string::npos; at = said.find(named, at + 1)) {
            std::string rest = said.substr(at, said.find('\n', at + strlen(named)) - at);
            EXPECT_EQ(rest.find(app.tempFolder()), std::string::npos) << rest;
        }
    }
    EXPECT_NE(said.find("Affected PDF file:\n" + damaged + "\n"), std::string::npos) << said;

    // The same file sent again is not listed again; a missing one is refused.
    int code = -1;
    app.runProgram(
        {"sh", "-c", "cd " + user.path() + " && " + binDir() + "/varto-compress --send charts.pdf"},
        &code);
    EXPECT_EQ(code, 0);
    std::string refused = app.runProgram(
        {"sh", "-c", binDir() + "/varto-compress --send " + (user / "missing.pdf") + " 2>&1"},
        &code);
    EXPECT_EQ(code, 1);
    EXPECT_NE(refused.find("missing.pdf: No such file or directory"), std::string::npos) << refused;
    // Watched for a while: the count stays.
    EXPECT_FALSE(waitUntil([&] { return app.title() != "Varto Compress (4 / 4)"; }, 1200)) << app.title();

    // The list says what the batch command says.
    EXPECT_EQ(listed(app, "charts.pdf"), batchSizes(app, charts, batchOut.path()));
    EXPECT_EQ(listed(app, "charts.pdf").substr(0, 9), "417.27 KB");
    EXPECT_EQ(listed(app, "damaged.pdf"), "1.32 MB -> Cannot be read");
    EXPECT_EQ(listed(app, "unreadable.pdf"),
              getuid() == 0 ? " -> Cannot be read" : "417.27 KB -> Cannot be read");
    EXPECT_EQ(listed(app, "locked.pdf"),
              batchSizes(app, locked, batchOut.path()) + " (Protected with the same password)");

    // On screen: the damaged row's reason in red, the only red of the
    // new-size column; its tooltip and the protected row's.
    Geometry g = app.geometry();
    platform::gfx::Rect list = elementBox("fileList");
    platform::gfx::Rect names{list.left + 2, list.top, list.left + 120, list.bottom};
    platform::gfx::Rect newSizes{list.right - 100, list.top, list.right - 4, list.bottom};
    app.moveTo(-40, -40);
    std::string shot = app.steadyScreenshot(artifacts() + "/window-failed-row.png");
    // The name column's text lines: the header, the first row ... the last
    // row (a name's descenders may count as a line of their own).
    std::vector<int> lines = textLines(shot, g, names);
    ASSERT_GE(lines.size(), 5u);
    // Rows 1 to 4: charts, damaged, unreadable, locked.
    std::vector<int> rows = {lines[0]};
    for (int row = 0; row < 4; ++row) rows.push_back(lines[1] + row * (lines.back() - lines[1]) / 3);
    auto rowBox = [&](int row) {
        return platform::gfx::Rect{newSizes.left, rows[row] - 7, newSizes.right, rows[row] + 7};
    };
    EXPECT_EQ(countPixels(shot, g, rowBox(1), isRed), 0);
    EXPECT_GT(countPixels(shot, g, rowBox(2), isRed), 30);
    EXPECT_GT(countPixels(shot, g, rowBox(3), isRed), 30);
    EXPECT_EQ(countPixels(shot, g, rowBox(4), isRed), 0);

    // The tooltips of the protected row and of both failed rows.
    auto tooltipShot = [&](int row, const std::string& name) {
        showTooltip(app, names.left + 30, rows[row], name);
    };
    tooltipShot(4, "window-protected-tooltip.png");
    tooltipShot(2, "window-failed-tooltip.png");
    tooltipShot(3, "window-unreadable-tooltip.png");
    app.moveTo(-40, -40);

    // Saved: the protected file's result opens only with its password.
    platform::gfx::Rect save = elementBox("actionSave");
    ASSERT_TRUE(waitUntil([&] { return app.shownWindows().size() == 1; }, 10000));
    std::vector<std::string> before = app.shownWindows();
    app.click((save.left + save.right) / 2, (save.top + save.bottom) / 2);
    std::string dialog = app.newWindow(before, 20000);
    ASSERT_FALSE(dialog.empty());
    ASSERT_TRUE(app.chooseFolder(dialog, out.path()));
    // Saved whole: a copy in progress has no end-of-file mark yet.
    auto whole = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        if (!in || in.tellg() < 32) return false;
        std::string tail(32, '\0');
        in.seekg(-32, std::ios::end);
        in.read(tail.data(), 32);
        return tail.find("%%EOF") != std::string::npos;
    };
    ASSERT_TRUE(waitUntil(
        [&] { return whole(out / "locked_compressed.pdf") && whole(out / "charts_compressed.pdf"); },
        60000));
    std::string result = out / "locked_compressed.pdf";
    EXPECT_EQ(std::system(("qpdf --requires-password '" + result + "'").c_str()) >> 8, 0);
    EXPECT_NE(std::system(("pdftoppm -r 20 -f 1 -l 1 -png '" + result + "' '" + (out / "p") +
                           "' 2>/dev/null")
                              .c_str()),
              0);
    EXPECT_EQ(std::system(("pdftoppm -r 20 -f 1 -l 1 -upw secret -png '" + result + "' '" +
                           (out / "p") + "'")
                              .c_str()),
              0);
    EXPECT_FALSE(fs::exists(out / "damaged_compressed.pdf"));
}

// German sizes carry a decimal comma; at 144 dpi a damaged file's row says
// "Nicht lesbar" in red, with its reason in the tooltip, and its menu's
// "Open original file" opens the user's file (with a stand-in viewer).
TEST(WindowTruthTest, GermanSizesUseADecimalComma) {
    if (!haveCorpus()) GTEST_SKIP() << "the shared corpus is not here";
    Folder user("varto-user"), desktop("varto-desktop");
    std::string charts = copyInto(user, "vector-gofpdf-charts.pdf", "charts.pdf");
    std::string damaged = copyInto(user, "damaged-truncated.pdf", "damaged.pdf");
    fs::create_directories(desktop / "applications");
    std::ofstream(desktop / "viewer.sh") << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> " << desktop / "opened.txt" << "\n";
    fs::permissions(desktop / "viewer.sh", fs::perms::owner_all);
    std::ofstream(desktop / "applications/viewer.desktop")
        << "[Desktop Entry]\nType=Application\nName=Viewer\nExec=" << desktop / "viewer.sh"
        << " %f\nMimeType=application/pdf;\n";
    std::ofstream(desktop / "mimeapps.list") << "[Default Applications]\napplication/pdf=viewer.desktop\n";
    App::Options options;
    options.env = {{"XDG_DATA_HOME", desktop.path()}, {"XDG_CONFIG_HOME", desktop.path()}};
    options.args = {charts, damaged};
    options.lang = "de_DE.UTF-8";
    options.dpi = 144;
    App app(options);
    ASSERT_TRUE(app.waitForWindow()) << app.outputText();
    std::string box = app.newWindow({app.windowId()}, 30000);
    ASSERT_FALSE(box.empty());
    ASSERT_TRUE(app.answer(box, "", "Return"));
    ASSERT_TRUE(app.waitForTitle("Varto Compress (2 / 2)", kCompressTimeoutMs));
    EXPECT_EQ(listed(app, "charts.pdf").substr(0, 13), "417,27 KB -> ") << app.outputText();
    EXPECT_EQ(listed(app, "damaged.pdf"), "1,32 MB -> Nicht lesbar") << app.outputText();

    Geometry g = app.geometry();
    platform::gfx::Rect list = elementBox("fileList", 144, "de_DE.UTF-8");
    app.moveTo(-40, -40);
    std::string shot = app.steadyScreenshot(artifacts() + "/window-failed-row-de-144.png");
    std::vector<int> lines =
        textLines(shot, g, {list.left + 3, list.top, list.left + 180, list.bottom});
    ASSERT_GE(lines.size(), 3u);
    platform::gfx::Rect last{list.right - 150, lines.back() - 10, list.right - 6,
                             lines.back() + 10};
    EXPECT_GT(countPixels(shot, g, last, isRed), 60);
    std::string tip = app.hoverUntilTooltip(list.left + 45, lines.back(), 20000);
    ASSERT_FALSE(tip.empty());
    std::string tipShot = app.screenshot(artifacts() + "/window-failed-tooltip-de-144.png");
    // The tip is in the window's scale: its first line (the path, "/" from
    // top to bottom) stands 19 pixels high at 144 dpi, 14 at 96.
    Geometry t = app.geometryOf(tip);
    int first = -1, height = 0;
    for (int y = t.y; y < t.y + t.height && (first < 0 || y == first + height); ++y) {
        bool ink = false;
        for (int x = t.x; x < t.x + t.width && !ink; ++x) {
            Pixel p = App::pixelAt(tipShot, x, y);
            ink = p.r > 200 && p.g > 200 && p.b > 200;
        }
        if (ink && first < 0) first = y;
        if (ink) ++height;
    }
    EXPECT_GE(height, 17) << "the tooltip's text is not scaled";

    // The row menu's third item, "Open original file".
    std::vector<std::string> before = app.shownWindows();
    app.click(list.left + 45, lines.back(), 3);
    ASSERT_FALSE(app.newWindow(before, 10000).empty()) << "no row menu";
    app.key("Down Down Down Return");
    std::string opened;
    EXPECT_TRUE(waitUntil(
        [&] {
            std::ifstream in(desktop / "opened.txt");
            return bool(std::getline(in, opened));
        },
        10000));
    EXPECT_EQ(opened, damaged);
}

// What the list said of a file while it was compressed, in order.
std::vector<std::string> stepsListed(const App& app, const std::string& name) {
    std::vector<std::string> steps;
    std::istringstream lines(app.outputText());
    for (std::string line; std::getline(lines, line);) {
        size_t arrow = line.find(" -> ");
        if (line.rfind(name + ": ", 0) == 0 && arrow != std::string::npos)
            steps.push_back(line.substr(arrow + 4));
    }
    return steps;
}

// Ghostscript's share of pages from a step text, or -1.
int ghostscriptPercent(const std::string& step) {
    int percent = -1;
    return sscanf(step.c_str(), "Ghostscript %d %%", &percent) == 1 ? percent : -1;
}

// Save while the file is compressed: the save waits for that run instead of
// starting Ghostscript again, and typing "report" over an existing
// report.pdf asks before replacing it. Meanwhile the row shows Ghostscript's
// share of pages rising, then the later steps, and the title "(0 / 1)".
TEST(WindowTruthTest, SaveDuringCompressionWaitsAndAsksBeforeReplacing) {
    if (!haveCorpus()) GTEST_SKIP() << "the shared corpus is not here";
    Folder user("varto-user"), out("varto-out");
    std::string intro = copyInto(user, "text-r-intro.pdf", "intro.pdf");
    std::ofstream(out / "report.pdf") << "an older report";

    App::Options options;
    options.args = {intro};
    // Ghostscript on the whole file, so the save has a run to wait for.
    options.configIni = "[Settings]\ncompress.planner=false\n";
    App app(options);
    ASSERT_TRUE(app.waitForWindow()) << app.outputText();
    std::set<pid_t> seen;
    auto note = [&] {
        for (pid_t pid : ghostscripts(app)) seen.insert(pid);
    };
    ASSERT_TRUE(waitUntil(
        [&] {
            note();
            return !seen.empty();
        },
        60000, 20));

    // The percentage on screen, in the first row's new-size cell.
    ASSERT_TRUE(waitUntil(
        [&] {
            std::vector<std::string> steps = stepsListed(app, "intro.pdf");
            return !steps.empty() && ghostscriptPercent(steps.back()) >= 10;
        },
        60000, 50))
        << app.outputText();
    std::string shot = app.screenshot(artifacts() + "/window-progress.png");
    EXPECT_EQ(app.title(), "Varto Compress (0 / 1)");
    Geometry g = app.geometry();
    platform::gfx::Rect list = elementBox("fileList");
    std::vector<int> lines =
        textLines(shot, g, {list.left + 2, list.top, list.left + 120, list.bottom});
    ASSERT_GE(lines.size(), 2u);
    platform::gfx::Rect cell{list.right - 100, lines[1] - 7, list.right - 4, lines[1] + 7};
    int ink = 0;
    for (int y = cell.top; y < cell.bottom; ++y) {
        for (int x = cell.left; x < cell.right; ++x) ink += isDark(App::pixelAt(shot, g.x + x, g.y + y));
    }
    EXPECT_GT(ink, 40) << "no text in the new-size cell";

    platform::gfx::Rect save = elementBox("actionSave");
    std::vector<std::string> before = app.shownWindows();
    app.click((save.left + save.right) / 2, (save.top + save.bottom) / 2);
    std::string dialog = app.newWindow(before, 20000);
    ASSERT_FALSE(dialog.empty());
    ASSERT_TRUE(typeSaveName(app, dialog, out / "report"));
    // The question may show at once: the windows before it are those of now.
    before = app.shownWindows();
    app.key("Return");
    std::string question = app.newWindow(before, 10000);
    ASSERT_FALSE(question.empty()) << "no question before replacing report.pdf";
    app.screenshot(artifacts() + "/window-replace-question.png");
    std::ifstream older(out / "report.pdf");
    std::string text((std::istreambuf_iterator<char>(older)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "an older report");
    ASSERT_TRUE(app.answer(question, "", "Return"));

    ASSERT_TRUE(waitUntil(
        [&] {
            note();
            // The row's new size may follow the title by a refresh.
            std::vector<std::string> shown = stepsListed(app, "intro.pdf");
            return fs::file_size(out / "report.pdf") > 1000 &&
                   app.title() == "Varto Compress (1 / 1)" && !shown.empty() &&
                   shown.back().find(" KB") != std::string::npos;
        },
        kCompressTimeoutMs, 50));
    EXPECT_EQ(seen.size(), 1u) << "Ghostscript ran more than once";

    // Rising percentages, then the later steps' names, then the new size.
    // Before the page count is known the row says "Ghostscript" alone.
    std::vector<std::string> steps = stepsListed(app, "intro.pdf");
    ASSERT_GE(steps.size(), 3u) << app.outputText();
    std::vector<int> percents;
    size_t lastGhostscript = 0;
    for (size_t i = 0; i < steps.size(); ++i) {
        int percent = ghostscriptPercent(steps[i]);
        if (percent < 0) continue;
        percents.push_back(percent);
        lastGhostscript = i;
    }
    ASSERT_GE(percents.size(), 2u) << app.outputText();
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end())) << app.outputText();
    EXPECT_LT(percents.front(), percents.back());
    EXPECT_LE(percents.back(), 100);
    // The later steps are short: a refresh may fall between them, but what
    // is shown after Ghostscript is one of their names.
    for (size_t i = lastGhostscript + 1; i + 1 < steps.size(); ++i) {
        EXPECT_TRUE(steps[i] == "qpdf" || steps[i] == "Sharing") << steps[i];
    }
    EXPECT_NE(steps.back().find(" KB"), std::string::npos) << steps.back();
    // Written once: the row never went blank while the save held the file.
    EXPECT_EQ(std::count(steps.begin(), steps.end(), steps.back()), 1) << app.outputText();
}
