#include "browser/WebBrowser.h"

namespace browser {

using platform::web::CallResult;

WebBrowser::WebBrowser(platform::WindowHandle parent, std::vector<std::string> functionNames,
                       std::vector<std::string> propertyNames, std::vector<std::string> allowedOrigins)
    : parent_(parent) {
    platform::web::WebView::Handlers handlers;
    handlers.resolveScheme = [this](const std::string& url, std::string& data, std::string& mime) {
        return resolveScheme(url, data, mime);
    };
    handlers.call = [this](const platform::web::Call& call) { return onCall(call); };
    handlers.navigationFailed = [this](int status) { onNavigateError(status); };
    handlers.navigationFinished = [this] { onNavigateComplete(); };
    view_ = std::make_unique<platform::web::WebView>(parent, std::move(handlers), std::move(functionNames),
                                                     std::move(propertyNames), std::move(allowedOrigins));
}

WebBrowser::~WebBrowser() = default;

void WebBrowser::setRect(const platform::gfx::Rect& rect) { view_->setRect(rect); }
void WebBrowser::navigate(const std::string& url) { view_->navigate(url); }
void WebBrowser::refresh() { view_->reload(); }
void WebBrowser::show(bool visible) { view_->show(visible); }
bool WebBrowser::isVisible() const { return view_->isVisible(); }

CallResult WebBrowser::onCall(const platform::web::Call&) {
    CallResult r;
    r.ok = false;
    r.error = "Member not found (0x80020003)";
    return r;
}

}  // namespace browser
