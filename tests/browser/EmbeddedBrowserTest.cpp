// The embedded browser with a real web view in a plain window of the window
// layer: pages served through the "varto" scheme call the bridge and write
// what they saw to a file; the local HTTP test server answers the fetches.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "TestServer.h"
#include "async/GlibGuiThread.h"
#include "base/UrlEscape.h"
#include "browser/EmbeddedBrowser.h"
#include "platform/Process.h"
#include "platform/gui/Gui.h"
#include "platform/gui/Window.h"
#include "suite/Settings.h"

namespace {

namespace fs = std::filesystem;
using platform::gui::Gui;
using platform::gui::Window;

std::string readText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string dataUrl(const std::string& name) {
    return "varto://file/abs" + escapePath(ZString::fromUtf8(std::string(VARTO_SOURCE_DIR) + "/tests/data/browser/" + name)).toUtf8();
}

std::string escaped(const std::string& text) { return escapeComponent(text).toUtf8(); }

// Web processes started by this test process.
int webProcessCount() {
    int count = 0;
    const std::string me = std::to_string(getpid());
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::string stat = readText(entry.path() / "stat");
        size_t close = stat.rfind(')');
        if (close == std::string::npos || stat.find("(WebKitWebProces") == std::string::npos) continue;
        std::istringstream rest(stat.substr(close + 2));
        std::string state, parent;
        rest >> state >> parent;
        count += parent == me;
    }
    return count;
}

class EmbeddedBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Gui::init()) GTEST_SKIP() << "no display";
        // Settings and temporary files of this process only: tests run side by side.
        char pattern[] = "/tmp/browser-test-XXXXXX";
        folder_ = mkdtemp(pattern);
        fs::create_directories(folder_ / "config");
        setenv("VARTO_CONFIG_HOME", (folder_ / "config").c_str(), 1);
        setenv("TMPDIR", folder_.c_str(), 1);
        platform::gui::Window::Params params;
        params.title = u"browser test";
        params.width = 640;
        params.height = 240;
        params.flags = platform::gui::kVisible;
        window_ = Window::create(params);
        ASSERT_NE(window_, nullptr);
        async::GlibGuiThread::instance().openWindow(window_);
        host_.appInfo = [] {
            return std::map<std::string, ZString>{{"name", u"Varto Compress"}, {"version", u"1.2.3"}};
        };
        host_.bannerImage = [](std::string& bytes, ZString& type) {
            bytes = "PNGDATA";
            type = u"image/png";
            return true;
        };
        host_.showAbout = [this](platform::WindowHandle) { calls_ += "about;"; };
        host_.openOutputProfiles = [this](platform::WindowHandle) { calls_ += "profiles;"; };
        host_.openApp = [this](const ZString& name, const ZString& parameters) {
            calls_ += "app " + name.toUtf8() + " [" + parameters.toUtf8() + "];";
            return true;
        };
    }

    void TearDown() override {
        browser_.reset();
        if (window_) {
            async::GlibGuiThread::instance().closeWindow(window_);
            Window::destroy(window_);
        }
        if (!folder_.empty()) fs::remove_all(folder_);
    }

    void makeBrowser(std::vector<std::string> origins = {}) {
        browser_ = std::make_unique<browser::EmbeddedBrowser>(window_, host_, std::move(origins));
        ASSERT_TRUE(browser_->valid());
        browser_->setRect({10, 10, 630, 130});
    }

    // Runs the loop until the condition holds; generous for a loaded machine.
    bool pumpUntil(const std::function<bool()>& done, int ms = 60000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            Gui::pump(false);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    void pumpFor(int ms) { pumpUntil([] { return false; }, ms); }

    std::string waitUntilDone(const fs::path& out) {
        pumpUntil([&] { return readText(out).find("done\n") != std::string::npos; });
        return readText(out);
    }

    std::string waitForLines(const fs::path& out, int lines) {
        pumpUntil([&] {
            std::string text = readText(out);
            return std::count(text.begin(), text.end(), '\n') >= lines;
        });
        return readText(out);
    }

    fs::path folder_;
    platform::WindowHandle window_ = nullptr;
    browser::BrowserHost host_;
    std::unique_ptr<browser::EmbeddedBrowser> browser_;
    std::string calls_;
};

TEST_F(EmbeddedBrowserTest, EveryBridgeFunctionAnswersAsDesigned) {
    makeBrowser();
    std::ofstream(folder_ / "A.png") << "A file";
    const fs::path out = folder_ / "results.txt";
    std::ofstream(out).close();
    browser_->navigate(dataUrl("bridge.html") + "#" + escaped(out.string() + "|" + TestServer::get().http("")));
    const std::string expected = R"(test: ok {"key0":"a","key1":1,"key2":true,"key3Length":3}
test callback: This is an argument / key0 XXXX
test no object: error Invalid argument (0x80070057)
getAppInfo: arch,customBannerSrc,customBannerUrl,installId,installer,isCustomBanner,lang,lcid,name,osArch,osNormalVersion,osVersion,suiteId,uCountryCode,uLangCode,updateMode,userId,version name=Varto Compress
addTextContentType: ok null
addTextContentType number: error Invalid argument (0x80070057)
setAsyncJobWorkerCount: ok null
setAsyncJobWorkerCount bad: error Error converting from '4' to int
showEmbeddedBrowser false: false
showEmbeddedBrowser: true
isEmbeddedBrowserVisible = false: false
isEmbeddedBrowserVisible = true: true
getLangValue: string
getLangValue none: error Invalid argument (0x80070057)
showAbout read: function
showAbout: ok null
checkForUpdates, openSettings: function, function
openOutputProfiles: ok null
config.getStr: ok "v 1"
config.getInt: ok 42
config.getBool: ok true
config.getDouble default: ok 2.5
config.setStr one argument: error Invalid argument (0x80070057)
createTempFile: true
createTempFile prefix: true
appendTempFile base64: ok null
appendTempFile two arguments: error Invalid argument (0x80070057)
getFileSize: 11
getFileSize missing: -1
getFileSize none: error Invalid argument (0x80070057)
getFileSize number: error Invalid argument (0x80070057)
getFileInfo: true 11 true
getFileInfo missing: ok {"exists":false}
getFileUrl: ok "varto://file/abs//tmp/a%20b%25.txt"
getFileUrl relative: error Invalid argument (0x80070057)
loadFromUrl file: ok {"mimeType":"text/plain","text":"hello world"}
page fetch of file url: hello world
loadFromUrl %41: ok {"base64":"QSBmaWxl","mimeType":"image/png"}
loadFromUrl banner: image/png UE5HREFUQQ==
loadFromUrl capitals: ok null
loadFromUrl UI.XHTML: ok null
loadFromUrl banner page: text/html true
openApp: ok null
getModuleFileName: true
hasFeature: ok true
hasFeature none: error Invalid argument (0x80070057)
forceForeground: ok null
unknown: undefined
fetchUrl text: true 200 false 900 false text/plain "The quick brown fox"
fetchUrl binary: true true base64 b2s=
fetchUrl truncated: true 9 true The quick
fetchUrl big: 1000 true true
fetchUrl post: 200 true true true
fetchUrl no url: false Url extract error: -2147352570
fetchUrl bad form value: false Unsupported data type for member 'a': 3
fetchUrl none: error Invalid argument (0x80070057)
done
)";
    std::string got = waitUntilDone(out);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(calls_, "about;profiles;app probe [\"a b\" c];");
}

TEST_F(EmbeddedBrowserTest, PagesOfOtherOriginsGetNoBridge) {
    // A plain HTTP server for the page that must not reach the program.
    platform::Process server;
    ASSERT_EQ(server.spawn({"/usr/bin/python3", "-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory",
                            std::string(VARTO_SOURCE_DIR) + "/tests/data/browser"},
                           false),
              0);
    std::string line;
    pumpUntil([&] {
        char buffer[256];
        server.waitForActivity(50, false);
        if (server.bytesAvailable(platform::Process::Stream::Output) > 0) {
            int n = server.read(platform::Process::Stream::Output, buffer, sizeof buffer);
            if (n > 0) line.append(buffer, n);
        }
        return line.find(")") != std::string::npos || server.exited();
    }, 30000);
    size_t at = line.find("port ");
    ASSERT_NE(at, std::string::npos) << line;
    const int port = std::atoi(line.c_str() + at + 5);

    makeBrowser({TestServer::get().http("")});  // another origin is allowed, not this one
    const std::string probe = "http://127.0.0.1:" + std::to_string(port) + "/probe.html";
    const fs::path out = folder_ / "report.txt";
    std::ofstream(out).close();
    const std::string report = dataUrl("report.html") + "#" + escaped(out.string());
    browser_->navigate(probe + "#" + escaped(report));
    EXPECT_EQ(waitForLines(out, 1), "external undefined, direct no handler\n");
    // Framed by a page that has the bridge, it still reaches nothing.
    browser_->navigate(dataUrl("frames.html") + "#" + escaped(out.string()) + "|" + escaped(probe));
    EXPECT_EQ(waitForLines(out, 2), "external undefined, direct no handler\n"
                                    "framed: external undefined, direct no handler, parent document blocked\n");
}

TEST_F(EmbeddedBrowserTest, ShownAfterALoadHiddenForGoodAfterAFailure) {
    makeBrowser();
    EXPECT_FALSE(browser_->isVisible());
    browser_->navigate("varto://res/banner.html");
    EXPECT_TRUE(pumpUntil([&] { return browser_->isVisible(); }));

    makeBrowser();
    browser_->navigate(TestServer::get().http("/404"));
    EXPECT_TRUE(pumpUntil([&] { return browser_->lastErrorStatus() == 404; }));
    pumpFor(1000);
    EXPECT_FALSE(browser_->isVisible());
    browser_->navigate(TestServer::get().http("/text"));  // a later good page does not show it either
    pumpFor(2000);
    EXPECT_FALSE(browser_->isVisible());

    // A refused connection, and a port WebKit refuses to ask at all.
    for (int port : {TestServer::get().closedPort(), 9}) {
        makeBrowser();
        browser_->navigate("http://127.0.0.1:" + std::to_string(port) + "/");
        EXPECT_TRUE(pumpUntil([&] { return browser_->lastErrorStatus() != 0; })) << port;
        pumpFor(1000);
        EXPECT_FALSE(browser_->isVisible()) << port;
    }
}

TEST_F(EmbeddedBrowserTest, SwitchedOffStartsNoWebProcess) {
    const fs::path config = folder_ / "config" / "config.ini";
    std::ofstream(config) << "NoEmbeddedBrowser=true\n";
    EXPECT_EQ(browser::EmbeddedBrowser::createIfEnabled(window_, host_, {}), nullptr);
    pumpFor(1000);
    EXPECT_EQ(webProcessCount(), 0);
    // The count does see a web process when the switch is on.
    std::ofstream(config) << "NoEmbeddedBrowser=false\n";
    browser_ = browser::EmbeddedBrowser::createIfEnabled(window_, host_, {});
    ASSERT_NE(browser_, nullptr);
    browser_->navigate("varto://res/banner.html");
    EXPECT_TRUE(pumpUntil([] { return webProcessCount() > 0; }));
}

}  // namespace
