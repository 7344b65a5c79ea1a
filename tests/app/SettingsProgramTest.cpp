// The settings program, started from the window's footer link: a bad value
// is marked and not written, OK writes config.ini keeping what the user
// wrote there, and the running window compresses the next file with the
// new value. Screenshots in both languages at 96 and 144 dpi.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/app/WindowDriver.h"
#include "xhtml/View.h"

using namespace windowtest;
namespace fs = std::filesystem;

namespace {

constexpr int kCompressTimeoutMs = 180000;

// The settings window starts with its marks for bad values hidden.
platform::gfx::Rect inSettings(const std::function<bool(xhtml::View*)>& pick, bool markShown = false) {
    return laidOutBox(pick, 96, "C.UTF-8", "res:///settings.xhtml", [&](xhtml::View& document) {
        document.forEachInTree([&](xhtml::View* view) {
            if (view->hasClass(u"mark")) view->setHidden(!markShown);
            return true;
        });
    });
}

void clickIn(const App& app, const std::string& window, const platform::gfx::Rect& box) {
    app.clickIn(window, centerX(box), centerY(box));
}

// Sends a protected file; the password is asked for the first one only (the
// window remembers it).
void sendLocked(App& app, const std::string& path, const std::string& title, bool asked) {
    Child sender({binDir() + "/varto-compress", "--send", path}, app.environment(),
                 path + ".send.txt");
    if (asked) {
        std::string prompt = app.waitForWindowNamed(fs::path(path).filename().string(), 30000);
        ASSERT_FALSE(prompt.empty());
        ASSERT_TRUE(app.answer(prompt, "secret", "Return"));
    }
    ASSERT_TRUE(app.waitForTitle(title, kCompressTimeoutMs)) << app.title();
}

}  // namespace

TEST(SettingsProgramTest, FooterLinkOpensItAndOkWritesConfigTheWindowFollows) {
    if (!fs::exists(corpus("tiny-parallel-cheat-libreoffice.pdf")))
        GTEST_SKIP() << "the shared corpus is not here";
    Folder user("varto-user");
    std::string first = encryptedCopy(user, "first.pdf");
    std::string second = encryptedCopy(user, "second.pdf");
    App app(App::Options{});
    std::string config = app.environment()["VARTO_CONFIG_HOME"] + "/config.ini";
    std::ofstream(config) << "# written by hand\nlogoclickurl=https://example.org/\n"
                             "[Other]\nkeep=1\n";
    ASSERT_TRUE(app.waitForWindow()) << app.outputText();

    // A protected file comes out protected.
    sendLocked(app, first, "Varto Compress (1 / 1)", true);
    EXPECT_NE(listed(app, "first.pdf").find("(Protected with the same password)"),
              std::string::npos)
        << app.outputText();

    // The footer's link starts the settings program: the last link of the
    // centred footer, found as the rightmost white text in its grey band.
    platform::gfx::Rect footer =
        laidOutBox([](xhtml::View* view) { return view->hasClass(u"footer"); });
    ASSERT_FALSE(footer.isEmpty());
    std::string before = app.steadyScreenshot(artifacts() + "/settings-footer.png");
    Geometry main = app.geometry();
    int linkX = -1, linkY = -1;
    for (int y = footer.top; y < footer.bottom; ++y) {
        for (int x = footer.left; x < footer.right; ++x) {
            Pixel p = App::pixelAt(before, main.x + x, main.y + y);
            if (p.r == 255 && p.g == 255 && p.b == 255 && x > linkX) {
                linkX = x;
                linkY = y;
            }
        }
    }
    ASSERT_GT(linkX, 0);
    app.click(linkX - 12, linkY - 3);
    std::string settings = app.waitForWindowNamed("^Varto Compress settings$", 20000, true);
    if (settings.empty()) app.screenshot(artifacts() + "/settings-not-started.png");
    ASSERT_FALSE(settings.empty());

    // Each number field: a bad value marked, nothing written; then corrected.
    struct Number {
        const char* field;
        const char* bad;
        const char* good;
        const char* mark;
        const char* written;
    };
    const Number numbers[] = {
        {"compress.parallelFiles", "x7", "2", "parallelFilesMark", "compress.parallelFiles=2"},
        {"compress.targetMinQuality", "101", "40", "targetMinQualityMark",
         "compress.targetMinQuality=40"},
        {"compress.targetMinDpi", "0", "90", "targetMinDpiMark", "compress.targetMinDpi=90"},
    };
    for (const Number& number : numbers) {
        clickIn(app, settings, inSettings(formField(number.field)));
        ASSERT_TRUE(app.fillField(number.bad)) << number.field;
    }
    clickIn(app, settings, inSettings(withId("actionOk")));
    Geometry g = app.geometryOf(settings);
    std::string shot = artifacts() + "/settings-bad-value.png";
    auto marksShown = [&] {
        app.screenshot(shot);
        for (const Number& number : numbers) {
            int red = 0;
            platform::gfx::Rect mark = inSettings(withId(number.mark), true);
            for (int y = mark.top; y < mark.bottom; ++y) {
                for (int x = mark.left; x < mark.right; ++x) {
                    Pixel p = App::pixelAt(shot, g.x + x, g.y + y);
                    red += p.r > 150 && p.g < 80 && p.b < 80;
                }
            }
            if (red <= 20) return false;
        }
        return true;
    };
    EXPECT_TRUE(waitUntil(marksShown, 10000)) << "a refused value has no visible mark";
    EXPECT_EQ(readAll(config).find("compress."), std::string::npos);

    // Corrected, protection and the planner switched off: OK writes and closes.
    for (const Number& number : numbers) {
        clickIn(app, settings, inSettings(formField(number.field)));
        ASSERT_TRUE(app.fillField(number.good)) << number.field;
    }
    clickIn(app, settings, inSettings(formField("compress.keepEncryption")));
    clickIn(app, settings, inSettings(formField("compress.planner")));
    clickIn(app, settings, inSettings(withId("actionOk"), true));
    ASSERT_TRUE(app.waitGone(settings));
    std::string written = readAll(config);
    EXPECT_NE(written.find("# written by hand"), std::string::npos) << written;
    EXPECT_NE(written.find("logoclickurl=https://example.org/"), std::string::npos) << written;
    EXPECT_EQ(written.find("LogoClickUrl"), std::string::npos) << written;
    EXPECT_NE(written.find("[Other]\nkeep=1"), std::string::npos) << written;
    EXPECT_NE(written.find("compress.keepEncryption=false"), std::string::npos) << written;
    for (const Number& number : numbers)
        EXPECT_NE(written.find(number.written), std::string::npos) << written;
    EXPECT_NE(written.find("compress.planner=false"), std::string::npos) << written;
    EXPECT_NE(written.find("compress.reencode=true"), std::string::npos) << written;

    // The running window takes it for the next file.
    sendLocked(app, second, "Varto Compress (2 / 2)", false);
    std::string line = listed(app, "second.pdf");
    EXPECT_FALSE(line.empty()) << app.outputText();
    EXPECT_EQ(line.find("Protected"), std::string::npos) << line;
}

TEST(SettingsProgramTest, BothLanguagesAtTwoResolutions) {
    for (int dpi : {96, 144}) {
        for (std::string lang : {"en_US.UTF-8", "de_DE.UTF-8"}) {
            App::Options options;
            options.dpi = dpi;
            options.lang = lang;
            App app(options);
            ASSERT_TRUE(app.waitForWindow()) << app.outputText();
            std::string key = lang.substr(0, 2) + "-" + std::to_string(dpi);
            Child settings({binDir() + "/varto-Settings"}, app.environment(),
                           app.environment()["VARTO_CONFIG_HOME"] + "/settings.txt");
            std::string title =
                lang[0] == 'd' ? "^Einstellungen von Varto Compress$" : "^Varto Compress settings$";
            std::string window = app.waitForWindowNamed(title, 20000, true);
            ASSERT_FALSE(window.empty()) << key;
            app.steadyScreenshot(artifacts() + "/settings-" + key + ".png", window);
            Geometry g = app.geometryOf(window);
            EXPECT_GT(g.width, 300 * dpi / 96) << key;
            app.run("xdotool windowfocus --sync " + window + " key Escape");
            settings.kill();
        }
    }
}
