#include "http/FetchRequest.h"

#include <stdexcept>

#include "base/Base64.h"
#include "base/Charset.h"
#include "base/NumberParse.h"
#include "base/Url.h"
#include "http/BufferInput.h"
#include "http/FormDataRequestBuilder.h"
#include "http/GetRequestBuilder.h"
#include "http/Request.h"

namespace http {
namespace {

constexpr int32_t kUtf8CodePage = 65001;

ZString upper(const ZString& text) {
    ZString out;
    for (char16_t c : text.view()) out.append(c >= u'a' && c <= u'z' ? char16_t(c - 32) : c);
    return out;
}

std::string hexBytes(const ZString& text) {
    std::string bytes;
    for (int i = 0; i + 1 < text.length(); i += 2) {
        const int high = hexDigitValue(text[i]);
        const int low = hexDigitValue(text[i + 1]);
        if (high < 0 || low < 0) break;
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

bool fail(FetchRequest& request, const ZString& message, int32_t code = 0) {
    request.failed = true;
    request.errorCode = code;
    request.errorMessage = message;
    return false;
}

void setBody(FetchRequest& request, std::string bytes) {
    request.ownedContent = std::make_unique<BufferInput>(std::move(bytes));
    request.content = request.ownedContent.get();
}

bool bodyFromData(FetchRequest& request) {
    if (request.dataEncoding.isEmpty()) {
        const int32_t codePage = codePageForCharset(request.charset, kUtf8CodePage);
        std::string bytes;
        if (!encodeCodePage(request.data, codePage, bytes)) bytes = request.data.toUtf8();
        if (codePage == kUtf8CodePage) request.charset = u"UTF-8";
        setBody(request, std::move(bytes));
    } else if (request.dataEncoding == u"hex") {
        setBody(request, hexBytes(request.data));
    } else if (request.dataEncoding == u"base64") {
        const std::vector<uint8_t> bytes = base64Decode(request.data.view());
        setBody(request, std::string(bytes.begin(), bytes.end()));
    } else {
        return fail(request, ZString::format(u"Unknown data transfer encoding: %s", request.dataEncoding.c_str()));
    }
    return true;
}

// Joins the URL-encoded pairs onto the URL's query.
void appendToQuery(FetchRequest& request, const ZString& pairs) {
    Url url = Url::parse(request.url);
    ZString text = pairs;
    const bool leadingSeparator = text.startsWith(u"&") || text.startsWith(u"?");
    if (url.query.isEmpty() || url.query.endsWith(u"?") || url.query.endsWith(u"&")) {
        if (leadingSeparator) text = text.substring(1);
    } else if (!leadingSeparator) {
        url.query.append(u'&');
    }
    url.query.append(text);
    request.url = url.toString();
    request.urlChanged = true;
}

}  // namespace

bool prepareFetch(FetchRequest& request) {
    if (request.prepared) return true;
    if (request.url.isEmpty()) return fail(request, u"Url is empty");
    if (request.charset.isEmpty()) request.charset = u"UTF-8";
    if (request.method.isEmpty()) request.method = u"GET";
    request.charset = upper(request.charset);
    request.method = upper(request.method);

    if (!request.content) {
        const bool isForm = request.contentType == u"form" || request.contentType.startsWith(u"multipart/form-data");
        if (!request.data.isEmpty()) {
            if (!bodyFromData(request)) return false;
        } else if (!request.formValues.empty() && request.method == u"GET") {
            GetRequestBuilder builder;
            builder.setCharset(request.charset);
            builder.addAll(request.formValues);
            try {
                appendToQuery(request, ZString::fromUtf8(builder.body()));
            } catch (const std::runtime_error&) {
                return fail(request, u"Port in Url invalid");
            }
        } else if (!request.formValues.empty() && isForm) {
            FormDataRequestBuilder builder;
            builder.setCharset(request.charset);
            builder.addAll(request.formValues);
            builder.finish();
            request.contentType = builder.contentType();
            setBody(request, builder.body());
        } else if (!request.formValues.empty()) {
            GetRequestBuilder builder;
            builder.setCharset(request.charset);
            builder.addAll(request.formValues);
            request.contentType = builder.contentType();
            setBody(request, builder.body());
        }
    }
    request.prepared = true;
    return true;
}

bool runFetch(FetchRequest& request) {
    if (!prepareFetch(request)) return false;
    Url url;
    try {
        url = Url::parse(request.url);
    } catch (const std::runtime_error& error) {
        return fail(request, ZString::fromUtf8(error.what()));
    }
    Request http(url, request.flags);
    // Published for abortFetch while it may run; taken back before it goes.
    struct Published {
        FetchAbort& state;
        bool aborted;
        Published(FetchAbort& s, Request& r) : state(s) {
            std::lock_guard<std::mutex> guard(state.lock);
            aborted = state.aborted;
            state.active = &r;
        }
        ~Published() {
            std::lock_guard<std::mutex> guard(state.lock);
            state.active = nullptr;
        }
    } published(*request.abortState, http);
    if (published.aborted) http.abort();
    for (const auto& [name, value] : request.headers) {
        http.headers().erase(name);
        http.headers().emplace(name, value);
    }
    http.setContent(request.content);
    http.setContentType(request.contentType);
    http.setListener(request.listener);
    http.setDecodeContent(request.decodeContent);
    http.setReceiveTimeout(request.receiveTimeoutMs);
    http.setSendTimeout(request.sendTimeoutMs);

    if (!http.send(request.method)) {
        request.failed = true;
        request.errorMessage = http.errorMessage();
        request.errorCode = http.errorCode();
        return false;
    }
    if (request.output) http.receive(*request.output);

    request.statusCode = http.statusCode();
    request.redirectedUrl = http.redirectedUrl();
    request.contentEncoding = http.contentEncoding();
    request.serverAddress = http.serverAddress();
    for (const auto& [name, value] : parseRawHeaders(http.rawRequestHeaders().view()))
        addHeader(request.requestHeaders, name, value);
    for (const auto& [name, value] : parseRawHeaders(http.rawResponseHeaders().view()))
        addHeader(request.responseHeaders, name, value);
    return true;
}

void abortFetch(FetchRequest& request) {
    FetchAbort& state = *request.abortState;
    std::lock_guard<std::mutex> guard(state.lock);
    state.aborted = true;
    if (state.active) state.active->abort();
}

}  // namespace http
