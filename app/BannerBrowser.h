#pragma once

#include <memory>

#include "base/ZString.h"
#include "platform/WindowHandle.h"

namespace browser {
class EmbeddedBrowser;
}

// The in-app page's address: "EmbeddedBrowserUrl" of the configuration, else
// the fixed banner page, with the application-information query set as the
// address's query.
ZString bannerPageAddress(const ZString& query);

// Starts the embedded browser of the main window in steps, one per call, so
// the window keeps answering in between: the web engine, the view (the
// window is registered for the page's background jobs), the navigation to
// the banner page. False when nothing is left to do; the browser stays null
// when the feature "embeddedBrowser" is off (then no web process starts).
bool startBannerBrowser(platform::WindowHandle window, std::unique_ptr<browser::EmbeddedBrowser>& browser,
                        int step);

// Ends what startBannerBrowser registered for the window.
void closeBannerBrowser(std::unique_ptr<browser::EmbeddedBrowser>& browser, platform::WindowHandle window);
