#include "browser/FetchUrlJob.h"

#include <climits>
#include <stdexcept>

#include "base/Url.h"

#include "base/Base64.h"
#include "base/Charset.h"
#include "browser/BrowserExternal.h"
#include "browser/EmbeddedBrowser.h"
#include "http/ConnectionFlags.h"
#include "suite/Settings.h"

namespace browser {

using platform::web::Value;

namespace {

const Value* typed(const Value& options, const char* name, Value::Type type) {
    const Value& v = options.member(name);
    return v.type == type ? &v : nullptr;
}

ZString text(const Value& v) { return ZString::fromUtf8(v.text); }

Value headersObject(const http::HeaderMap& headers) {
    Value o = Value::object();
    for (const auto& [name, value] : headers) o.set(name.toUtf8(), Value::of(value.toUtf8()));
    return o;
}

// The "charset" parameter of a Content-Type value, name compared without case.
ZString charsetOf(const ZString& contentType) {
    int at = 0;
    while ((at = contentType.find(u';', at)) >= 0) {
        ++at;
        ZString param = contentType.substring(at);
        int end = param.find(u';');
        if (end >= 0) param = param.substring(0, end);
        param.trim();
        if (param.toLower().startsWith(u"charset=")) {
            ZString value = param.substring(8).trimmed();
            if (value.startsWith(u"\"") && value.endsWith(u"\"") && value.length() >= 2)
                value = value.substring(1, value.length() - 1);
            return value;
        }
    }
    return {};
}

constexpr int kMaxRedirects = 20;

// A redirect's Location against the address that gave it.
ZString resolveAddress(const ZString& base, const ZString& location) {
    const ZString lower = location.toLower();
    if (lower.startsWith(u"http://") || lower.startsWith(u"https://") || location.find(u"://") >= 0) return location;
    const ZString origin = urlOrigin(base);
    if (origin.isEmpty()) return location;
    if (location.startsWith(u"//")) return base.substring(0, base.find(u"://") + 1) + location;
    if (location.startsWith(u"/")) return origin + location;
    ZString path = base.substring(origin.length());
    if (int end = path.find(u'?'); end >= 0) path = path.substring(0, end);
    if (int end = path.find(u'#'); end >= 0) path = path.substring(0, end);
    if (path.isEmpty()) path = u"/";
    return origin + path.substring(0, path.findLast(u'/') + 1) + location;
}

}  // namespace

FetchUrlJob::FetchUrlJob(EmbeddedBrowser& browser, const Value& options)
    : browser_(browser), alive_(browser.aliveToken()), options_(options), allowedOrigins_(browser.allowedOrigins()) {
    window = browser.parentWindow();
    int64_t id = 0;
    if (options.member("__vartoObject").toInteger(1, INT32_MAX, id)) objectId_ = static_cast<int>(id);
    readOptions(options);
}

bool FetchUrlJob::numbersValid(const Value& options) {
    struct Limit {
        const char* name;
        int64_t high;
    };
    static const Limit kLimits[] = {{"internetFlags", UINT32_MAX},
                                    {"receiveTimeout", UINT32_MAX},
                                    {"sendTimeout", UINT32_MAX},
                                    {"responseMaxSize", kMaxMaxSize}};
    int64_t whole = 0;
    for (const Limit& limit : kLimits) {
        const Value& v = options.member(limit.name);
        if (v.type == Value::Type::Number && !v.toInteger(0, limit.high, whole)) return false;
    }
    return true;
}

bool FetchUrlJob::addressAllowed(const ZString& url, const std::vector<std::string>& allowedOrigins) {
    Url target;
    try {
        target = Url::parse(url);
    } catch (const std::runtime_error&) {
        return false;
    }
    if ((target.scheme != u"http" && target.scheme != u"https") || target.host.isEmpty()) return false;
    for (const auto& origin : allowedOrigins) {
        try {
            Url allowed = Url::parse(ZString::fromUtf8(origin));
            if (allowed.scheme == target.scheme && allowed.host == target.host && allowed.port == target.port)
                return true;
        } catch (const std::runtime_error&) {
        }
    }
    const ZString port = ZString::format(u"%d", target.port);
    const ZString hosts = config_getStr(u"EmbeddedBrowserFetchHosts", u"") + u",";
    for (int start = 0, comma; (comma = hosts.find(u',', start)) >= 0; start = comma + 1) {
        const ZString host = hosts.substring(start, comma).trimmed().toLower();
        if (!host.isEmpty() && (host == target.host || host == target.host + u":" + port)) return true;
    }
    return false;
}

void FetchUrlJob::readOptions(const Value& options) {
    using T = Value::Type;
    const Value* url = typed(options, "url", T::String);
    if (!url) {
        optionsFailed_ = true;
        request_.errorMessage = ZString::format(u"Url extract error: %d", static_cast<int>(0x80020006));
        request_.errorCode = static_cast<int32_t>(0x80020006);
        return;
    }
    request_.url = text(*url);
    if (auto* v = typed(options, "method", T::String)) request_.method = text(*v);
    if (auto* v = typed(options, "headers", T::Object))
        for (const auto& [name, value] : v->members)
            if (name != "__vartoObject")
                http::addHeader(request_.headers, ZString::fromUtf8(name),
                                ZString::fromUtf8(value.isString() ? value.text : value.toJson()));
    auto flag = [&](const char* name) {
        const Value* v = typed(options, name, T::Bool);
        return v && v->boolean;
    };
    if (!flag("autoRedirect")) request_.flags |= http::kFlagNoAutoRedirect;
    if (flag("reload")) request_.flags |= http::kFlagReload;
    if (flag("noCacheWrite")) request_.flags |= http::kFlagNoCacheWrite;
    if (flag("noAuth")) request_.flags |= http::kFlagNoAuth;
    if (flag("noCookies")) request_.flags |= http::kFlagNoCookies;
    if (flag("ignoreCertCnInvalid")) request_.flags |= http::kFlagIgnoreCertCnInvalid;
    if (flag("ignoreCertDateInvalid")) request_.flags |= http::kFlagIgnoreCertDateInvalid;
    // Numbers are taken only when whole and in range (numbersValid refused
    // the call otherwise).
    int64_t whole = 0;
    if (options.member("internetFlags").toInteger(0, UINT32_MAX, whole)) request_.flags |= static_cast<uint32_t>(whole);
    if (options.member("receiveTimeout").toInteger(0, UINT32_MAX, whole))
        request_.receiveTimeoutMs = static_cast<uint32_t>(whole);
    if (options.member("sendTimeout").toInteger(0, UINT32_MAX, whole))
        request_.sendTimeoutMs = static_cast<uint32_t>(whole);
    followRedirects_ = !(request_.flags & http::kFlagNoAutoRedirect);
    request_.flags |= http::kFlagNoAutoRedirect;
    if (auto* v = typed(options, "dataType", T::String)) request_.contentType = text(*v);
    if (auto* v = typed(options, "dataTransferEncoding", T::String)) request_.dataEncoding = text(*v);
    const Value& data = options.member("data");
    if (data.isString()) {
        request_.data = text(data);
    } else if (data.isObject()) {
        for (const auto& [name, value] : data.members) {
            if (name == "__vartoObject") continue;
            if (!value.isString()) {
                optionsFailed_ = true;
                request_.errorMessage = ZString::format(u"Unsupported data type for member '%hs': %d", name.c_str(),
                                                        static_cast<int>(value.type));
                return;
            }
            request_.formValues[ZString::fromUtf8(name)] = text(value);
        }
    } else if (data.isDefined() && data.type != T::Null) {
        optionsFailed_ = true;
        request_.errorMessage = ZString::format(u"Unsupported data type: %d", static_cast<int>(data.type));
        return;
    }
    if (options.member("responseMaxSize").toInteger(0, kMaxMaxSize, whole)) maxSize_ = whole;
    if (auto* v = typed(options, "responseCharset", T::String)) responseCharset_ = text(*v);
    responseAsBinary_ = flag("responseAsBinary");
    returnResponseHeaders_ = flag("returnResponseHeaders");
    returnRequestHeaders_ = flag("returnRequestHeaders");
}

bool FetchUrlJob::fetch() {
    for (int hop = 0;; ++hop) {
        // Prepared first: the address asked is the one with the form values added.
        if (!http::prepareFetch(request_)) return false;
        if (!addressAllowed(request_.url, allowedOrigins_)) {
            request_.failed = true;
            request_.errorMessage = ZString::format(u"Address not allowed: %s", request_.url.c_str());
            request_.errorCode = static_cast<int32_t>(0x80070005);
            return false;
        }
        output_ = std::make_unique<http::BufferOutput>(maxSize_);
        request_.output = output_.get();
        if (!http::runFetch(request_)) return false;
        const int32_t status = request_.statusCode;
        auto location = request_.responseHeaders.find(u"Location");
        const bool redirect = status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
        if (!followRedirects_ || !redirect || location == request_.responseHeaders.end() || hop >= kMaxRedirects)
            return true;
        const ZString target = resolveAddress(request_.url, location->second.trimmed());
        const ZString method = request_.method;
        // As browsers do: 303, and 301/302 after a POST, go on with a GET.
        const bool keepBody = status == 307 || status == 308 || method == u"GET" || method == u"HEAD";
        request_ = http::FetchRequest();
        readOptions(options_);
        request_.url = target;
        request_.redirectedUrl = target;
        if (!keepBody) {
            request_.method = u"GET";
            request_.data.clear();
            request_.formValues.clear();
            request_.contentType.clear();
        }
    }
}

void FetchUrlJob::run() {
    if (!optionsFailed_) sent_ = fetch();
    if (sent_ && request_.redirectedUrl.isEmpty()) request_.redirectedUrl = request_.url;
    setSucceeded(sent_);
    syncWithGui();
}

void FetchUrlJob::abort() {
    abandoned = true;
    http::abortFetch(request_);
}

Value FetchUrlJob::buildResult() const {
    Value r = Value::object();
    r.set("success", Value::of(sent_));
    r.set("errorMsg", Value::of(request_.errorMessage.toUtf8()));
    r.set("errorCode", Value::of(static_cast<int>(request_.errorCode)));
    r.set("statusCode", Value::of(static_cast<int>(request_.statusCode)));
    r.set("redirectedUrl", Value::of(request_.redirectedUrl.toUtf8()));
    r.set("remoteIp", Value::of(request_.serverAddress.toUtf8()));
    if (returnResponseHeaders_) r.set("headers", headersObject(request_.responseHeaders));
    if (returnRequestHeaders_) r.set("requestHeaders", headersObject(request_.requestHeaders));
    const std::string body = output_ ? output_->bytes() : std::string();
    r.set("dataSize", Value::of(static_cast<long long>(body.size())));
    r.set("dataSizeReal", Value::of(static_cast<long long>(output_ ? output_->received() : 0)));
    r.set("dataIsTruncated", Value::of(output_ && output_->truncated()));
    ZString contentType;
    if (auto it = request_.responseHeaders.find(u"Content-Type"); it != request_.responseHeaders.end())
        contentType = it->second;
    ZString mediaType = contentType;
    if (int semi = mediaType.find(u';'); semi >= 0) mediaType = mediaType.substring(0, semi);
    mediaType = mediaType.trimmed().toLower();
    ZString charset = !responseCharset_.isEmpty() ? responseCharset_ : charsetOf(contentType);
    if (charset.isEmpty()) charset = u"UTF-8";
    ZString decoded;
    bool asText = !responseAsBinary_ && isTextContentType(mediaType.toUtf8()) &&
                  decodeCodePage(body, codePageForCharset(charset, 65001), decoded);
    if (asText) {
        r.set("data", Value::of(decoded.toUtf8()));
        r.set("dataEncoding", Value::of(charset.toUtf8()));
        r.set("dataTransferEncoding", Value::of(""));
        r.set("dataIsBinary", Value::of(false));
    } else {
        r.set("data", Value::of(base64Encode(body)));
        r.set("dataEncoding", Value::of("base64"));
        r.set("dataTransferEncoding", Value::of("base64"));
        r.set("dataIsBinary", Value::of(true));
    }
    return r;
}

void FetchUrlJob::runOnGui() {
    auto alive = alive_.lock();
    if (!alive || !*alive || objectId_ <= 0) return;
    Value args = Value::array();
    args.items.push_back(buildResult());
    browser_.view().invokeMember(objectId_, "callback", args);
    browser_.view().releaseObject(objectId_);
}

}  // namespace browser
