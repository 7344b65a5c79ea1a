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

// The embedded browser of the main window, navigated to the banner page;
// null when the feature "embeddedBrowser" is off (then no web process
// starts). The window is registered for the page's background jobs.
std::unique_ptr<browser::EmbeddedBrowser> createBannerBrowser(platform::WindowHandle window);

// Ends what createBannerBrowser registered for the window.
void closeBannerBrowser(std::unique_ptr<browser::EmbeddedBrowser>& browser, platform::WindowHandle window);
