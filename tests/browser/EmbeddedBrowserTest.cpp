// The embedded browser with a real web view in a plain window of the window
// layer: test pages served by local web servers (one allowed origin, one
// other) call the bridge and report what they saw to their server; the HTTP
// tests' server answers the fetches.
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
#include "browser/FetchUrlJob.h"
#include "browser/PageFiles.h"
#include "tests/support/PageServer.h"
#include "tests/support/TestSupport.h"
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

std::string escaped(const std::string& text) { return escapeComponent(text).toUtf8(); }

// Web processes started by this test process.
int webProcessCount() {
    int count = 0;
    const std::string me = std::to_string(getpid());
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::string stat = testsupport::readFile(entry.path() / "stat");
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
        folder_ = temp_.path();
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
            return name == u"probe";  // the only name this launcher knows
        };
    }

    void TearDown() override {
        browser_.reset();
        if (window_) {
            async::GlibGuiThread::instance().closeWindow(window_);
            Window::destroy(window_);
        }
    }

    void makeBrowser(std::vector<std::string> origins = {}) {
        browser_ = std::make_unique<browser::EmbeddedBrowser>(window_, host_, std::move(origins));
        ASSERT_TRUE(browser_->valid());
        browser_->setRect({10, 10, 630, 130});
    }

    // Runs the loop until the condition holds; generous for a loaded machine.
    bool pumpUntil(const std::function<bool()>& done, int ms = 60000) {
        return testsupport::waitUntil(done, ms, [] {
            Gui::pump(false);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
    }

    void pumpFor(int ms) { pumpUntil([] { return false; }, ms); }

    // The lines port's pages reported, once "done" (or the nth line) came.
    std::string waitForReports(int port, size_t lines = SIZE_MAX) {
        pages_->waitFor(
            [&](const std::vector<std::string>&) {
                auto r = pages_->reports(port);
                return r.size() >= lines || (!r.empty() && r.back() == "done");
            },
            90000, [] { Gui::pump(false); });
        std::string text;
        for (const auto& line : pages_->reports(port)) text += line + "\n";
        return text;
    }

    void servePages() {
        pages_ = std::make_unique<PageServer>(VARTO_SOURCE_DIR "/tests/data/browser", 2);
        ASSERT_TRUE(pages_->started());
    }

    testsupport::TempFolder temp_{"browser-test"};
    fs::path folder_;
    platform::WindowHandle window_ = nullptr;
    browser::BrowserHost host_;
    std::unique_ptr<browser::EmbeddedBrowser> browser_;
    std::string calls_;
    std::unique_ptr<PageServer> pages_;
};

TEST_F(EmbeddedBrowserTest, EveryBridgeFunctionAnswersAsDesigned) {
    servePages();
    makeBrowser({pages_->origin(0), TestServer::get().http("")});
    std::ofstream(folder_ / "A.png") << "A file";  // in the temporary folder, but not the page's
    browser_->navigate(pages_->origin(0) + "/bridge.html#" + escaped(TestServer::get().http("") + "|" + pages_->origin(1)));
    const std::string expected = R"(test: ok {"key0":"a","key1":1,"key2":true,"key3Length":3}
test callback: This is an argument / key0 XXXX
test no object: error Invalid argument (0x80070057)
getAppInfo: arch,customBannerSrc,customBannerUrl,installId,installer,isCustomBanner,lang,lcid,name,osArch,osNormalVersion,osVersion,suiteId,uCountryCode,uLangCode,updateMode,userId,version name=Varto Compress
addTextContentType: ok null
addTextContentType number: error Invalid argument (0x80070057)
setAsyncJobWorkerCount: ok null
setAsyncJobWorkerCount bad: error Error converting from '4' to int
setAsyncJobWorkerCount huge: error Invalid argument (0x80070057)
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
config.setInt out of range: error Invalid argument (0x80070057)
config.getInt of a huge text: ok 0
createTempFile: true
createTempFile prefix: true
appendTempFile base64: ok null
appendTempFile two arguments: error Invalid argument (0x80070057)
getFileSize: 11
getFileSize not the page's: error Invalid argument (0x80070057)
getFileSize none: error Invalid argument (0x80070057)
getFileSize number: error Invalid argument (0x80070057)
getFileInfo: true 11 true
getFileInfo not the page's: error Invalid argument (0x80070057)
appendTempFile not the page's: error Invalid argument (0x80070057)
getFileUrl: true
getFileUrl not the page's: error Invalid argument (0x80070057)
loadFromUrl file: ok {"mimeType":"text/plain","text":"hello world"}
page fetch of file url: refused
loadFromUrl %41: ok {"base64":"QSBmaWxl","mimeType":"image/png"}
loadFromUrl not made by the page: ok null
loadFromUrl out of the temporary folder: ok null
loadFromUrl any file: ok null
loadFromUrl banner: image/png UE5HREFUQQ==
loadFromUrl capitals: ok null
loadFromUrl UI.XHTML: ok null
loadFromUrl banner page: text/html true
openApp: ok null
openApp unknown: error Invalid argument (0x80070057)
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
fetchUrl negative size: error Invalid argument (0x80070057)
fetchUrl huge time-out: error Invalid argument (0x80070057)
fetchUrl elsewhere: false Address not allowed: http://127.0.0.1:PORT/text
fetchUrl redirect: 200 true
done
)";
    std::string got = waitForReports(0);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(calls_, "about;profiles;app probe [\"a b\" c];app /bin/sh [-c true];");
    EXPECT_FALSE(pages_->hit(1, "/text"));
}

TEST_F(EmbeddedBrowserTest, PagesOfOtherOriginsGetNoBridge) {
    servePages();
    makeBrowser({pages_->origin(0)});  // the frames page's origin is allowed, the probe's is not
    const std::string probe = pages_->origin(1) + "/probe.html";
    // The program itself may show another origin; its page gets nothing.
    browser_->navigate(probe);
    EXPECT_EQ(waitForReports(1, 1), "external undefined, direct no handler\n");
    // Framed by a page that has the bridge, it still reaches nothing.
    browser_->navigate(pages_->origin(0) + "/frames.html#" + escaped(probe));
    EXPECT_EQ(waitForReports(1, 2), "external undefined, direct no handler\n"
                                    "framed: external undefined, direct no handler, parent document blocked\n");
}

// Which pages get the bridge and which addresses fetchUrl may ask.
TEST_F(EmbeddedBrowserTest, AllowedPagesAndAddresses) {
    const std::vector<std::string> origins = {"https://varto.example", "http://127.0.0.1:8000"};
    struct Page {
        const char* url;
        bool bridge;
    } pages[] = {
        {"https://varto.example/inapp/?x", true},      {"varto://res/banner.html", true},
        {"varto://file/tmp/ebb_1.html", false},        {"varto://file/inst/x.html", false},
        {"varto:banner", false},                       {"http://varto.example/", false},
        {"https://varto.example.evil.test/", false},   {"https://varto.example@evil.test/", false},
        {"http://127.0.0.1:8000/p", true},             {"http://127.0.0.1:8001/p", false},
        {"file:///etc/passwd", false},                 {"about:blank", false},
    };
    for (const Page& p : pages) EXPECT_EQ(platform::web::WebView::originAllowed(p.url, origins), p.bridge) << p.url;

    std::ofstream(folder_ / "config" / "config.ini") << "EmbeddedBrowserFetchHosts = api.example, 127.0.0.2:9000\n";
    struct Address {
        const char16_t* url;
        bool allowed;
    } addresses[] = {
        {u"https://varto.example/x", true},          {u"https://varto.example:443/x", true},
        {u"http://varto.example/x", false},          {u"https://varto.example:8443/x", false},
        {u"http://127.0.0.1:8000/text", true},       {u"http://127.0.0.1:8001/text", false},
        {u"http://x@127.0.0.1:8001/?u=127.0.0.1:8000", false},
        {u"http://127.0.0.1:8000/p?x=@127.0.0.1:8001/", false},
        {u"https://api.example:1234/y", true},       {u"http://API.example/y", true},
        {u"http://127.0.0.2:9000/", true},           {u"http://127.0.0.2:9001/", false},
        {u"ftp://api.example/", false},              {u"file:///etc/passwd", false},
        {u"varto://file/tmp/x", false},              {u"http://127.0.0.1:99999/", false},
    };
    for (const Address& a : addresses)
        EXPECT_EQ(browser::FetchUrlJob::addressAllowed(a.url, origins), a.allowed) << ZString(a.url).toUtf8();
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
