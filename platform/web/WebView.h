#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/WindowHandle.h"
#include "platform/gfx/Rect.h"
#include "platform/web/Value.h"

namespace platform::web {

// A call from the page's window.external, as the program answers it.
struct Call {
    enum class Kind { Method, Get, Put };
    std::string name;  // "fetchUrl", or "config.getStr" for the config object
    Kind kind = Kind::Method;
    std::vector<Value> args;
};

struct CallResult {
    bool ok = true;
    Value value;
    std::string error;  // the rejection's message when !ok
};

// An HTML view (WebKitGTK) placed as a child of a window of the window layer,
// hidden until the owner shows it, with least privilege for the page: the
// top frame stays on the allowed origins (or the program's "varto://res/"
// pages, or what the program itself loads), nothing is ever downloaded, and
// only "varto" pages may load "varto" addresses, which the owner's resolver
// answers. The top frame of an allowed page gets window.external, whose
// functions post one message each and return a Promise of the program's
// answer; the page's address is checked again on every call. Objects handed
// to such a function stay reachable from the program by their id (Value
// member "__vartoObject") until released. A click towards another site, and
// links that ask for a new window (http, https, mailto only), open in the
// default browser instead. GUI thread only.
class WebView {
public:
    struct Handlers {
        // URL -> bytes and MIME type; false fails the request.
        std::function<bool(const std::string& url, std::string& data, std::string& mimeType)> resolveScheme;
        std::function<CallResult(const Call& call)> call;
        // A failed main-frame navigation, with the HTTP status or -1.
        std::function<void(int status)> navigationFailed;
        // The main frame finished loading (also after a failure).
        std::function<void()> navigationFinished;
    };

    // functionNames: the names window.external gets ("config.getStr" puts
    // getStr on the property config); propertyNames: those read and written
    // as properties. allowedOrigins: "https://host[:port]" forms.
    WebView(WindowHandle parent, Handlers handlers, std::vector<std::string> functionNames,
            std::vector<std::string> propertyNames, std::vector<std::string> allowedOrigins);
    ~WebView();
    WebView(const WebView&) = delete;
    WebView& operator=(const WebView&) = delete;

    bool valid() const;
    void setRect(const gfx::Rect& rect);
    gfx::Rect rect() const;
    void navigate(const std::string& url);
    void reload();
    void show(bool visible);
    bool isVisible() const;
    std::string url() const;
    // The top-level window the view lives in.
    WindowHandle parent() const;

    // Page object calls, for handlers that were given an object.
    void invokeMember(int objectId, const std::string& member, const Value& args);
    void setMember(int objectId, const std::string& member, const Value& value);
    void releaseObject(int objectId);
    void runScript(const std::string& script);

    // Starts WebKit and registers the "varto" scheme ahead of the first
    // view (the costliest step of making one); views do it themselves.
    static void prepare();

    // Whether a URL's page may use window.external: one of the allowed
    // origins, or "varto://res/".
    static bool originAllowed(const std::string& url, const std::vector<std::string>& allowed);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::web
