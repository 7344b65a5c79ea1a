#include "browser/EmbeddedBrowser.h"

#include <cstdio>

#include "base/UrlEscape.h"
#include "browser/BrowserExternal.h"
#include "browser/MimeTypes.h"
#include "browser/PageFiles.h"
#include "platform/Fs.h"
#include "platform/Resources.h"
#include "suite/Settings.h"

namespace browser {

namespace {

ZString decodedPath(const ZString& text) {
    ZString decoded;
    return unescape(text, decoded) ? decoded : text;
}

ZString joinPath(const ZString& base, const ZString& relative) {
    ZString root = platform::fs::stripTrailingSeparators(base);
    int start = 0;
    while (start < relative.length() && (relative[start] == u'/' || relative[start] == u'\\')) ++start;
    return root + u"/" + relative.substring(start);
}

void printLine(const ZString& text) {
    std::printf("%s\n", text.toUtf8().c_str());
    std::fflush(stdout);
}

}  // namespace

EmbeddedBrowser::EmbeddedBrowser(platform::WindowHandle parent, BrowserHost host,
                                 std::vector<std::string> allowedOrigins)
    : WebBrowser(parent, BrowserExternal::functionNames(), BrowserExternal::propertyNames(), allowedOrigins),
      host_(std::move(host)),
      allowedOrigins_(std::move(allowedOrigins)) {
    show(false);
}

EmbeddedBrowser::~EmbeddedBrowser() { *alive_ = false; }

std::unique_ptr<EmbeddedBrowser> EmbeddedBrowser::createIfEnabled(platform::WindowHandle parent, BrowserHost host,
                                                                  std::vector<std::string> allowedOrigins) {
    if (!isFeatureEnabled(u"embeddedBrowser")) return nullptr;
    return std::make_unique<EmbeddedBrowser>(parent, std::move(host), std::move(allowedOrigins));
}

bool EmbeddedBrowser::prepareIfEnabled() {
    if (!isFeatureEnabled(u"embeddedBrowser")) return false;
    platform::web::WebView::prepare();
    return true;
}

void EmbeddedBrowser::onNavigateError(int status) {
    // A navigation that failed without an HTTP answer counts as a server error.
    lastErrorStatus_ = status < 0 ? 500 : status;
}

void EmbeddedBrowser::onNavigateComplete() {
    if (lastErrorStatus_ <= 399 && showWhenLoaded_) show(true);
}

bool EmbeddedBrowser::resolveScheme(const std::string& url, std::string& data, std::string& mimeType) {
    ZString mime;
    if (!resolveSchemeUrl(ZString::fromUtf8(url), data, mime)) return false;
    mimeType = mime.toUtf8();
    return true;
}

bool EmbeddedBrowser::serveFile(const ZString& path, bool allowed, std::string& data, ZString& mimeType) {
    if (allowed && platform::fs::isRegularFile(path) && platform::fs::readFile(path, data)) {
        mimeType = mimeTypeForName(path);
        onSchemeFileServed(path);
        return true;
    }
    data.clear();
    printLine(ZString::format(u"File not found: %s", path.c_str()));
    return false;
}

bool EmbeddedBrowser::resolveSchemeUrl(const ZString& url, std::string& data, ZString& mimeType) {
    if (url == u"varto:banner" || url == u"varto://banner")
        return host_.bannerImage && host_.bannerImage(data, mimeType);
    const ZString res = u"varto://res/";
    if (url.startsWith(res)) {
        ZString reference = url.substring(res.length());
        int slash = reference.find(u'/');
        ZString module = slash < 0 ? ZString() : reference.substring(0, slash);
        ZString name = slash < 0 ? reference : reference.substring(slash + 1);
        // Pages get the HTML-kind resources only, kept under "html/".
        if (!platform::Resources::read(module.toUtf8(), "html/" + name.toUtf8(), data)) return false;
        mimeType = mimeTypeForName(name);
        return true;
    }
    // Files: only those the page made, and those of the installation; both
    // after every link and ".." is resolved.
    const ZString tmp = u"varto://file/tmp/", inst = u"varto://file/inst/";
    if (url.startsWith(tmp)) {
        ZString relative = decodedPath(url.substring(tmp.length()));
        ZString path = PageFiles::findBelowTempRoot(relative);
        return serveFile(path.isEmpty() ? relative : path, !path.isEmpty(), data, mimeType);
    }
    if (url.startsWith(inst)) {
        ZString installDir = progConfig_getStr(u"InstallDir", u"");
        if (installDir.isEmpty()) {
            printLine(u"Installation directory config value is empty");
            return false;
        }
        ZString relative = decodedPath(url.substring(inst.length()));
        ZString path = platform::fs::realPath(joinPath(installDir, relative));
        bool inside = platform::fs::isBelow(path, platform::fs::realPath(installDir));
        return serveFile(inside ? path : relative, inside, data, mimeType);
    }
    return false;
}

platform::web::CallResult EmbeddedBrowser::onCall(const platform::web::Call& call) {
    return BrowserExternal::dispatch(call, *this);
}

}  // namespace browser
