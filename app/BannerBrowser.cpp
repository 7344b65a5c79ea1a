#include "app/BannerBrowser.h"

#include <map>
#include <string>

#include "app/AppInfo.h"
#include "app/AppLauncher.h"
#include "base/Url.h"
#include "async/GlibGuiThread.h"
#include "browser/EmbeddedBrowser.h"
#include "suite/Settings.h"

namespace {

constexpr const char16_t* kBannerPage = u"https://varto.example/inapp/compress/";

std::map<std::string, ZString> appInfoValues() {
    AppInfo info = readAppInfo();
    return {{"name", info.name},
            {"version", info.version},
            {"lang", info.language},
            {"installId", info.installationId},
            {"userId", info.userId},
            {"suiteId", info.suiteId},
            {"arch", info.architecture},
            {"installer", info.installer},
            {"updateMode", ZString::format(u"%u", info.updateMode)},
            {"isCustomBanner", info.customBanner ? u"true" : u"false"},
            {"osVersion", info.systemVersionList},
            {"osNormalVersion", info.systemVersion},
            {"osArch", info.systemArchitecture},
            {"lcid", ZString::format(u"%u", info.localeId)},
            {"uLangCode", info.userLanguageCode},
            {"uCountryCode", info.userCountryCode}};
}

}  // namespace

ZString bannerPageAddress(const ZString& query) {
    ZString address = config_getStr(u"EmbeddedBrowserUrl", ZString());
    if (address.isEmpty()) address = kBannerPage;
    int fragment = address.find(u"#");
    if (fragment >= 0) address = address.substring(0, fragment);
    int oldQuery = address.find(u"?");
    if (oldQuery >= 0) address = address.substring(0, oldQuery);
    return address + u"?" + query;
}

namespace {

browser::BrowserHost bannerHost(platform::WindowHandle window) {
    browser::BrowserHost host;
    host.appInfo = appInfoValues;
    host.bannerImage = [](std::string& bytes, ZString& mediaType) {
        bannerImage(bytes, mediaType);
        return !bytes.empty();
    };
    host.showAbout = [](platform::WindowHandle owner) { showAbout(owner); };
    host.openApp = [window](const ZString& name, const ZString& parameters) {
        ZString target = name;
        ZString arguments = parameters;
        return openApp(target, arguments, window);
    };
    return host;
}

}  // namespace

bool startBannerBrowser(platform::WindowHandle window, std::unique_ptr<browser::EmbeddedBrowser>& browser,
                        int step) {
    if (step == 0) return browser::EmbeddedBrowser::prepareIfEnabled();
    ZString address = bannerPageAddress(appInfoQuery());
    if (step == 1) {
        std::vector<std::string> origins;
        if (ZString origin = urlOrigin(address); !origin.isEmpty()) origins.push_back(origin.toUtf8());
        browser = browser::EmbeddedBrowser::createIfEnabled(window, bannerHost(window), std::move(origins));
        if (!browser) return false;
        // The page's fetches complete on this window's thread.
        async::GlibGuiThread::instance().openWindow(window);
        return true;
    }
    if (step == 2 && browser) browser->navigate(address.toUtf8());
    return false;
}

void closeBannerBrowser(std::unique_ptr<browser::EmbeddedBrowser>& browser, platform::WindowHandle window) {
    if (!browser) return;
    async::GlibGuiThread::instance().closeWindow(window);
    browser.reset();
}
