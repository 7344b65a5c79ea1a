// The embedded browser in the real window program, seen from outside: the
// banner page over the banner image, the image alone when the switch is off
// (no web process) or the page cannot be reached, a click on the page's
// banner opening the address in the desktop's default browser, and a
// hostile banner page (with a hostile frame) that reaches none of the
// user's files, programs or other servers while the banner still works.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/app/WindowDriver.h"
#include "tests/support/PageServer.h"

using namespace windowtest;
namespace fs = std::filesystem;

namespace {

constexpr const char* kClickAddress = "https://varto.example/banner-click";

// What the desktop hands addresses and files to: one stand-in handler for
// every scheme and file type a page might try, writing each address it is
// given as a line.
const char* const kHandledTypes[] = {
    "x-scheme-handler/http",  "x-scheme-handler/https",     "x-scheme-handler/mailto", "x-scheme-handler/javascript",
    "x-scheme-handler/smb",   "x-scheme-handler/file",      "x-scheme-handler/data",   "x-scheme-handler/blob",
    "x-scheme-handler/varto", "x-scheme-handler/vartotest", "x-scheme-handler/ftp",    "text/plain",
    "text/html",              "application/octet-stream",   "inode/directory"};

// The installation's settings with some lines of the test's added, a private
// home folder, a stand-in for the desktop's handlers and a stand-in
// settings program in the programs' folder.
struct Installation {
    Folder folder{"varto-banner-install"};
    std::map<std::string, std::string> env;

    explicit Installation(const std::string& lines) {
        const std::string shipped = VARTO_BINARY_DIR "/share/varto/";
        std::ofstream(folder / "install.ini") << readAll(shipped + "install.ini") << "\nBinDir=" << folder / "bin"
                                              << "\n";
        std::ofstream(folder / "defaults.ini") << readAll(shipped + "defaults.ini") << "\n" << lines;
        fs::create_directories(folder / "data/applications");
        fs::create_directories(folder / "bin");
        fs::create_directories(folder / "home");
        std::ofstream(folder / "home/.bashrc") << kBashrc;
        script(folder / "browser.sh", "printf '%s\\n' \"$1\" >> " + folder / "opened.txt");
        script(folder / "bin/varto-Settings", "printf '%s\\n' \"$@\" > " + folder / "settings-ran.txt");
        std::string types, defaults;
        for (const char* type : kHandledTypes) {
            types += std::string(type) + ";";
            defaults += std::string(type) + "=stand-in-browser.desktop\n";
        }
        std::ofstream(folder / "data/applications/stand-in-browser.desktop")
            << "[Desktop Entry]\nType=Application\nName=Stand-in\nExec=" << folder / "browser.sh"
            << " %u\nMimeType=" << types << "\n";
        std::ofstream(folder / "mimeapps.list") << "[Default Applications]\n" << defaults;
        env = {{"VARTO_INSTALL_INI", folder / "install.ini"},
               {"XDG_DATA_HOME", folder / "data"},
               {"XDG_CONFIG_HOME", folder.path()},
               {"HOME", folder / "home"}};
    }
    static constexpr const char* kBashrc = "# the user's own shell settings\n";
    static void script(const std::string& path, const std::string& body) {
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        chmod(path.c_str(), 0755);
    }
    std::string opened() const { return readAll(folder / "opened.txt"); }
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
        std::string name = readAll("/proc/" + std::to_string(pid) + "/comm");
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
    const platform::gfx::Rect box = elementBox("banner");
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
        // Watched for three seconds: nothing is drawn over it.
        EXPECT_FALSE(waitUntil(
            [&] { return differing(boxPixels(app.screenshot(shotPath()), app.geometry(), box), reference) != 0; },
            3000, 250));
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
    EXPECT_TRUE(waitUntil([&] { return page.opened() == std::string(kClickAddress) + "\n"; }, 20000)) << page.opened();
    EXPECT_TRUE(pageStripShown(app.screenshot(shotPath()), app.geometry(), box));
}

// The lines of a list that start with the prefix.
std::vector<std::string> starting(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& line : lines)
        if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
}

// Files of that name anywhere below the folder.
int filesNamed(const std::string& folder, const std::string& name) {
    int count = 0;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error))
        count += it->path().filename() == name;
    return count;
}

// Three local web servers: the banner's origin (its page hostile), a
// second origin for a hostile frame inside it, a third the page must not
// reach. Every attack is tried and reported to the servers; the banner
// still does what it is for; only web and mail addresses, after a click,
// reach the desktop.
TEST(BannerBrowserTest, HostilePagesReachNothingAndTheBannerStillWorks) {
    const platform::gfx::Rect box = elementBox("banner");
    ASSERT_GT(box.width(), 50);
    Folder site("varto-hostile-site");
    for (const char* name : {"top.html", "frame.html", "landing.html"})
        fs::copy_file(std::string(VARTO_SOURCE_DIR "/tests/data/hostile/") + name, site / name);
    PageServer servers(site.path(), 3);
    ASSERT_TRUE(servers.started());
    const std::string A = servers.origin(0), B = servers.origin(1);
    Installation installation("EmbeddedBrowserUrl=" + A + "/top.html\n");
    const std::string home = installation.folder / "home";
    std::string config;
    {
        App app(start(installation));
        config = app.environment()["VARTO_CONFIG_HOME"] + "/config.ini";
        // The page waits for this: the user's files it will go after.
        std::ofstream(site / "params.json.part") << "{\"home\": \"" << home << "\", \"config\": \"" << config
                                                 << "\", \"bin\": \"" << installation.folder / "bin" << "\"}";
        fs::rename(site / "params.json.part", site / "params.json");
        ASSERT_TRUE(app.waitForWindow());

        auto reported = [&](int port, const std::string& line) {
            return servers.waitFor(
                [&](const std::vector<std::string>&) {
                    auto r = servers.reports(port);
                    return std::find(r.begin(), r.end(), line) != r.end();
                },
                90000);
        };
        ASSERT_TRUE(reported(0, "ready for clicks")) << joined(servers.poll());
        std::vector<std::string> before = servers.reports(0);
        before.erase(std::find(before.begin(), before.end(), "ready for clicks") + 1, before.end());
        EXPECT_EQ(joined(before), R"(works: getAppInfo Varto-Suite
works: fetchUrl own origin true secret of port A
works: temporary file as an image 1x1
works: openApp settings ok null
refused: openApp /bin/sh error Invalid argument (0x80070057)
refused: openApp path error Invalid argument (0x80070057)
refused: appendTempFile bashrc error Invalid argument (0x80070057)
refused: appendTempFile config error Invalid argument (0x80070057)
refused: appendTempFile through the temporary file error Invalid argument (0x80070057)
refused: getFileInfo error Invalid argument (0x80070057)
refused: getFileSize error Invalid argument (0x80070057)
refused: getFileUrl error Invalid argument (0x80070057)
refused: loadFromUrl varto://file/abs/etc/passwd ok null
refused: loadFromUrl varto://file/absHOME/.bashrc ok null
refused: loadFromUrl varto://file/tmp/../../../../../../etc/passwd ok null
refused: loadFromUrl varto://file/tmp/%2e%2e/%2e%2e/%2e%2e/%2e%2e/%2e%2e/etc/passwd ok null
refused: loadFromUrl varto://file/inst/../../../../../../etc/passwd ok null
refused: fetchUrl other port false Address not allowed: http://127.0.0.1:C/secret
refused: fetchUrl redirected false Address not allowed: http://127.0.0.1:C/secret
refused: fetchUrl negative size error Invalid argument (0x80070057)
refused: setAsyncJobWorkerCount huge error Invalid argument (0x80070057)
top navigation tried varto://res/banner.html
top navigation tried varto://file/abs/etc/passwd
top navigation tried file:///etc/passwd
top navigation tried data:text/html,<p>data</p>
top navigation tried blob
top navigation tried B/landing.html?top
ready for clicks
)");
        EXPECT_EQ(joined(starting(servers.reports(1), "frame: ")), R"(frame: external undefined, handler none, parent document blocked
frame: img varto:banner failed
frame: img varto://file/tmp/FILE.png failed
frame: img varto://res/banner.html failed
frame: img varto://file/abs/etc/passwd failed
frame: script varto://file/tmp/FILE.js failed
frame: script varto://file/abs/etc/passwd failed
frame: link varto://res/banner.html failed
frame: fetch varto:banner failed
frame: fetch varto://file/tmp/FILE.png failed
frame: attacks sent
)");
        EXPECT_EQ(readAll(installation.folder / "settings-ran.txt"), "--from-banner\n");

        // One new-window or navigation attack per click (each a little apart,
        // so none makes a double click), answered by the banner page itself.
        for (int n = 1; n <= 11; ++n) {
            app.click(box.left + 10 + 12 * n, (box.top + box.bottom) / 2);
            ASSERT_TRUE(reported(0, "click " + std::to_string(n) + " on " + A)) << n;
        }
        const std::string allowed = B + "/landing.html?click\nhttps://example.invalid/new-window\n"
                                        "mailto:someone@example.invalid\n";
        auto sortedOpened = [&] {
            std::vector<std::string> lines;
            std::istringstream in(installation.opened());
            for (std::string line; std::getline(in, line);) lines.push_back(line);
            std::sort(lines.begin(), lines.end());
            return joined(lines);
        };
        EXPECT_TRUE(waitUntil([&] { return sortedOpened() == allowed; }, 30000)) << installation.opened();

    }
    // The program is gone: whatever it was going to do is done.
    EXPECT_EQ(readAll(home + "/.bashrc"), Installation::kBashrc);
    EXPECT_FALSE(fs::exists(home + "/pwned"));
    EXPECT_EQ(readAll(config).find("EmbeddedBrowserUrl"), std::string::npos);
    EXPECT_EQ(filesNamed(installation.folder.path(), "saved.html") + filesNamed(installation.folder.path(), "attachment") +
                  filesNamed(installation.folder.path(), "octet"),
              0);
    EXPECT_FALSE(fs::exists(home + "/Downloads") && !fs::is_empty(home + "/Downloads"));
    for (const std::string& line : servers.poll()) {
        for (const char* ran : {"landed", "varto script ran", "attachment page ran", "javascript ran"})
            EXPECT_EQ(line.find(ran), std::string::npos) << line;
    }
    EXPECT_FALSE(servers.hit(2, "/secret"));
    EXPECT_EQ(installation.opened().find("file:"), std::string::npos);
}

}  // namespace
