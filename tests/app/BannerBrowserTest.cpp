// The embedded browser in the real window program, seen from outside: the
// banner page over the banner image, the image alone when the switch is off
// (no web process) or the page cannot be reached, and a click on the page's
// banner opening the address in the desktop's default browser.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "suite/Language.h"
#include "tests/app/WindowDriver.h"
#include "xhtml/DocumentRenderer.h"
#include "xhtml/View.h"

using namespace windowtest;
namespace fs = std::filesystem;

namespace {

constexpr const char* kClickAddress = "https://varto.example/banner-click";

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

platform::gfx::Rect bannerBox() {
    setenv("LANG", "C.UTF-8", 1);
    lang_reload();
    xhtml::DocumentRenderer::Options options;
    options.dpi = 96;
    xhtml::DocumentRenderer renderer(options);
    renderer.load("res:///ui.xhtml");
    renderer.layout();
    xhtml::View* banner = renderer.document()->findViewById(u"banner");
    return banner ? banner->getRect() : platform::gfx::Rect();
}

// The installation's settings with some lines of the test's added; a stand-in
// default browser that writes the address it is given to a file.
struct Installation {
    Folder folder{"varto-banner-install"};
    std::map<std::string, std::string> env;

    explicit Installation(const std::string& lines) {
        const std::string shipped = VARTO_BINARY_DIR "/share/varto/";
        fs::copy_file(shipped + "install.ini", folder / "install.ini");
        std::ofstream(folder / "defaults.ini") << readText(shipped + "defaults.ini") << "\n" << lines;
        fs::create_directories(folder / "data/applications");
        std::ofstream(folder / "browser.sh") << "#!/bin/sh\nprintf '%s' \"$1\" > " << folder / "opened.txt" << "\n";
        chmod((folder / "browser.sh").c_str(), 0755);
        std::ofstream(folder / "data/applications/stand-in-browser.desktop")
            << "[Desktop Entry]\nType=Application\nName=Stand-in\nExec=" << folder / "browser.sh"
            << " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\n";
        std::ofstream(folder / "mimeapps.list")
            << "[Default Applications]\nx-scheme-handler/https=stand-in-browser.desktop\n"
               "x-scheme-handler/http=stand-in-browser.desktop\n";
        env = {{"VARTO_INSTALL_INI", folder / "install.ini"},
               {"XDG_DATA_HOME", folder / "data"},
               {"XDG_CONFIG_HOME", folder.path()}};
    }
    std::string opened() const { return readText(folder / "opened.txt"); }
};

// A local port nobody listens on.
int closedPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

int webProcesses(const App& app) {
    int count = 0;
    for (pid_t pid : app.childProcesses()) {
        std::string name = readText("/proc/" + std::to_string(pid) + "/comm");
        count += name.rfind("WebKit", 0) == 0;
    }
    return count;
}

// The banner box of a screenshot, every second pixel.
std::vector<int> boxPixels(const std::string& png, const Geometry& window, const platform::gfx::Rect& box) {
    std::vector<int> pixels;
    for (int y = box.top; y < box.bottom; y += 2) {
        for (int x = box.left; x < box.right; x += 2) {
            Pixel p = App::pixelAt(png, window.x + x, window.y + y);
            pixels.push_back(p.r << 16 | p.g << 8 | p.b);
        }
    }
    return pixels;
}

int differing(const std::vector<int>& a, const std::vector<int>& b) {
    if (a.size() != b.size()) return -1;
    int count = 0;
    for (size_t i = 0; i < a.size(); ++i) count += a[i] != b[i];
    return count;
}

// A new name for every screenshot: they are read back by name.
std::string shotPath() {
    static Folder shots("varto-banner-shots");
    static int count = 0;
    return shots / (std::to_string(++count) + ".png");
}

App start(const Installation& installation) {
    App::Options options;
    options.env = installation.env;
    return App(options);
}

// The page's strip of name and version (#1d4f91) across the foot of the box.
bool pageStripShown(const std::string& png, const Geometry& window, const platform::gfx::Rect& box) {
    Pixel p = App::pixelAt(png, window.x + (box.left + box.right) / 2, window.y + box.bottom - 3);
    return p.r == 0x1d && p.g == 0x4f && p.b == 0x91;
}

TEST(BannerBrowserTest, PageOverTheBannerImageOrTheImageAloneAndClicksGoToTheDefaultBrowser) {
    const platform::gfx::Rect box = bannerBox();
    ASSERT_GT(box.width(), 50);

    // Switched off: the banner image, and no web process ever starts.
    std::vector<int> reference;
    {
        Installation off("NoEmbeddedBrowser=true\n");
        App app(start(off));
        ASSERT_TRUE(app.waitForWindow());
        ASSERT_TRUE(waitUntil(
            [&] {
                std::vector<int> previous = reference;
                reference = boxPixels(app.screenshot(shotPath()), app.geometry(), box);
                return reference == previous;  // painted and settled
            },
            20000, 500));
        EXPECT_EQ(webProcesses(app), 0);
    }

    // A page that cannot be reached: the web process runs, the image stays.
    {
        Installation unreachable("EmbeddedBrowserUrl=http://127.0.0.1:" + std::to_string(closedPort()) + "/\n");
        App app(start(unreachable));
        ASSERT_TRUE(app.waitForWindow());
        ASSERT_TRUE(waitUntil([&] { return webProcesses(app) > 0; }, 30000));
        EXPECT_TRUE(waitUntil(
            [&] { return differing(boxPixels(app.screenshot(shotPath()), app.geometry(), box), reference) == 0; },
            20000, 250));
        for (int i = 0; i < 4; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(750));
            EXPECT_EQ(differing(boxPixels(app.screenshot(shotPath()), app.geometry(), box), reference), 0);
        }
    }

    // The local banner page over the image, filled through the bridge; a
    // click on its banner opens the configured address in the default browser
    // while the page stays.
    Installation page(std::string("EmbeddedBrowserUrl=varto://res/banner.html\nLogoClickUrl=") + kClickAddress +
                      "\n");
    App app(start(page));
    ASSERT_TRUE(app.waitForWindow());
    std::string shot;
    EXPECT_TRUE(waitUntil(
        [&] {
            shot = app.screenshot(shotPath());
            return pageStripShown(shot, app.geometry(), box);
        },
        60000, 500));
    fs::create_directories(VARTO_BINARY_DIR "/artifacts");
    fs::copy_file(shot, VARTO_BINARY_DIR "/artifacts/main-window-banner-page.png", fs::copy_options::overwrite_existing);
    EXPECT_GT(differing(boxPixels(shot, app.geometry(), box), reference), 1000);

    app.click((box.left + box.right) / 2, box.top + box.height() / 3);
    EXPECT_TRUE(waitUntil([&] { return page.opened() == kClickAddress; }, 20000)) << page.opened();
    EXPECT_TRUE(pageStripShown(app.screenshot(shotPath()), app.geometry(), box));
}

}  // namespace
