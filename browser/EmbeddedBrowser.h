#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/ZString.h"
#include "browser/WebBrowser.h"

namespace browser {

// What the window program offers the page beyond this folder's reach.
struct BrowserHost {
    // Values of getAppInfo's members by name ("name", "version", ...);
    // "customBannerSrc" and "customBannerUrl" are filled here.
    std::function<std::map<std::string, ZString>()> appInfo;
    // The banner image; false when there is none.
    std::function<bool(std::string& bytes, ZString& mimeType)> bannerImage;
    std::function<void(platform::WindowHandle owner)> showAbout;
    std::function<void(platform::WindowHandle owner)> openOutputProfiles;
    // Starts a sibling program by its short name with a parameter text.
    std::function<bool(const ZString& name, const ZString& parameters)> openApp;
};

// The application's web view over the banner: the "varto" scheme, the
// script bridge (window.external) and the show/hide rules: hidden at first,
// shown when a page has loaded, and kept hidden for the rest of the run
// after a failed navigation so the banner image underneath stays visible.
class EmbeddedBrowser : public WebBrowser {
public:
    EmbeddedBrowser(platform::WindowHandle parent, BrowserHost host, std::vector<std::string> allowedOrigins);
    ~EmbeddedBrowser() override;

    // Null when the feature switch "embeddedBrowser" is off: then no web
    // process is started at all.
    static std::unique_ptr<EmbeddedBrowser> createIfEnabled(platform::WindowHandle parent, BrowserHost host,
                                                            std::vector<std::string> allowedOrigins);

    // Does the start-up work of the web engine ahead of the browser, when
    // the feature is on; false when it is off.
    static bool prepareIfEnabled();

    // URL of the "varto" scheme to bytes and MIME type; false when it names
    // nothing that can be served.
    bool resolveSchemeUrl(const ZString& url, std::string& data, ZString& mimeType);

    int lastErrorStatus() const { return lastErrorStatus_; }
    const BrowserHost& host() const { return host_; }
    // "scheme://host[:port]" of the pages that get window.external.
    const std::vector<std::string>& allowedOrigins() const { return allowedOrigins_; }
    // Lets background jobs see that the browser is gone.
    std::weak_ptr<bool> aliveToken() const { return alive_; }

protected:
    void onNavigateError(int status) override;
    void onNavigateComplete() override;
    bool resolveScheme(const std::string& url, std::string& data, std::string& mimeType) override;
    platform::web::CallResult onCall(const platform::web::Call& call) override;
    // Called after a file of the scheme was served.
    virtual void onSchemeFileServed(const ZString& /*path*/) {}

private:
    // A file that may be served (allowed) and can be read; else the
    // not-found line.
    bool serveFile(const ZString& path, bool allowed, std::string& data, ZString& mimeType);

    BrowserHost host_;
    std::vector<std::string> allowedOrigins_;
    int lastErrorStatus_ = 0;
    bool showWhenLoaded_ = true;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace browser
