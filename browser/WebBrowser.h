#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/WindowHandle.h"
#include "platform/gfx/Rect.h"
#include "platform/web/WebView.h"

namespace browser {

// A web view placed in a window over a rectangle, with the navigation events
// as virtual hooks. New-window links go to the default browser (the web
// view does that). Hidden until shown.
class WebBrowser {
public:
    WebBrowser(platform::WindowHandle parent, std::vector<std::string> functionNames = {},
               std::vector<std::string> propertyNames = {}, std::vector<std::string> allowedOrigins = {});
    virtual ~WebBrowser();

    bool valid() const { return view_ && view_->valid(); }
    virtual void setRect(const platform::gfx::Rect& rect);
    void navigate(const std::string& url);
    void refresh();
    void show(bool visible);
    bool isVisible() const;
    platform::WindowHandle parentWindow() const { return parent_; }
    platform::web::WebView& view() { return *view_; }

protected:
    virtual void onNavigateError(int /*status*/) {}
    virtual void onNavigateComplete() {}
    virtual bool resolveScheme(const std::string& /*url*/, std::string& /*data*/, std::string& /*mimeType*/) {
        return false;
    }
    virtual platform::web::CallResult onCall(const platform::web::Call& call);

private:
    platform::WindowHandle parent_;
    std::unique_ptr<platform::web::WebView> view_;
};

}  // namespace browser
