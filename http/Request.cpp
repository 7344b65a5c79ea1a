#include "http/Request.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stdexcept>

#include "base/NumberParse.h"
#include "http/ConnectionFlags.h"
#include "platform/Fs.h"

namespace http {

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

namespace {

constexpr size_t kPiece = 4096;
constexpr long kMaxRedirects = 20;
// Longest wait in one poll, so time-outs and the abort flag are seen soon.
constexpr int kPollMs = 50;

ZString executableName() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? ZString(u"varto") : ZString::fromUtf8(exe.stem().string());
}

// "de-DE" from a locale name such as "de_DE.UTF-8@euro", as the locale
// environment names the user's language; "*" when nothing is known.
ZString userLanguageTag() {
    ZString locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = platform::fs::environment(name);
        if (!locale.isEmpty()) break;
    }
    const auto view = locale.view();
    const size_t end = std::min(view.find_first_of(u".@"), view.size());
    const size_t underscore = std::min(view.find(u'_'), end);
    ZString language(view.substr(0, std::min<size_t>(underscore, 32)));
    ZString country = underscore < end ? ZString(view.substr(underscore + 1, std::min<size_t>(end - underscore - 1, 32)))
                                       : ZString();
    if (language.isEmpty() || language == u"C" || language == u"POSIX") return u"*";
    return country.isEmpty() ? language : language + u"-" + country;
}

int64_t parseSize(const ZString& text) {
    const ZString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return -1;
    for (char16_t c : trimmed.view())
        if (c < u'0' || c > u'9') return -1;
    return std::strtoll(trimmed.toUtf8().c_str(), nullptr, 10);
}

bool isBlankLine(const char* bytes, size_t count) {
    return (count == 2 && bytes[0] == '\r' && bytes[1] == '\n') || (count == 1 && bytes[0] == '\n');
}

int32_t statusOf(const std::string& response) {
    // "HTTP/1.1 200 OK"
    const size_t space = response.find(' ');
    if (response.rfind("HTTP/", 0) != 0 || space == std::string::npos) return -1;
    int32_t code = 0;
    size_t i = space + 1;
    if (i >= response.size() || response[i] < '0' || response[i] > '9') return -1;
    for (; i < response.size() && response[i] >= '0' && response[i] <= '9' && code < 100000; ++i)
        code = code * 10 + (response[i] - '0');
    return code;
}

}  // namespace

Request::Request(const Url& url, uint32_t flags) : flags_(flags), url_(url) {
    if (url_.scheme.equalsIgnoreCase(u"https")) flags_ |= kFlagSecure;
}

Request::~Request() { close(); }

void Request::close() {
    if (multi_ && easy_) curl_multi_remove_handle(multi_.get(), easy_.get());
    easy_.reset();
    multi_.reset();
    headerList_.reset();
}

bool Request::fail(const char16_t* message, int32_t code) {
    failed_ = true;
    errorCode_ = code;
    errorMessage_ = message;
    return false;
}

void Request::prepareHeaders() {
    if (!contentType_.isEmpty()) headers_[u"Content-Type"] = contentType_;
    contentSize_ = content_ ? content_->size() : -1;
    if (!content_) {
        headers_[u"Content-Length"] = u"0";
        headers_.erase(u"Transfer-Encoding");
    } else if (contentSize_ >= 0) {
        headers_[u"Content-Length"] = ZString::format(u"%lld", static_cast<long long>(contentSize_));
        headers_.erase(u"Transfer-Encoding");
    } else {
        headers_.erase(u"Content-Length");
        headers_[u"Transfer-Encoding"] = u"chunked";
    }
    headers_.erase(u"Content-Encoding");
    if (!headers_.count(u"Accept")) headers_[u"Accept"] = u"*/*";
    if (!headers_.count(u"Accept-Language")) headers_[u"Accept-Language"] = userLanguageTag();
    if (!headers_.count(u"Host")) {
        ZString host = url_.host;
        if (url_.port != -1 && url_.port != 80) host.append(u':').append(url_.port);
        headers_[u"Host"] = host;
    }
}

bool Request::openLibrary() {
    initCurlOnce();
    easy_.reset(curl_easy_init());
    multi_.reset(curl_multi_init());
    if (!easy_ || !multi_) return fail(u"InternetOpen error", CURLE_FAILED_INIT);
    return true;
}

bool Request::send(const ZString& method) {
    failed_ = false;
    errorCode_ = 0;
    errorMessage_.clear();
    close();
    if (method.isEmpty()) return fail(u"Method must not be empty", 0);

    prepareHeaders();
    if (listener_) listener_->stage(1);
    if (!openLibrary()) return false;
    if (url_.host.isEmpty()) return fail(u"InternetConnect error", CURLE_URL_MALFORMAT);
    if (!setOptions(method)) return false;
    if (listener_) listener_->stage(2);

    phase_ = Phase::Sending;
    transferDone_ = false;
    result_ = CURLE_OK;
    uploadDone_ = false;
    requestsOut_ = 0;
    rawRequest_.clear();
    rawResponse_.clear();
    responseHeadersDone_ = false;
    pending_.clear();
    sent_ = 0;
    lastReportedSent_ = -1;
    lastActivity_ = Clock::now();
    const CURLMcode added = curl_multi_add_handle(multi_.get(), easy_.get());
    if (added != CURLM_OK) return fail(u"HttpSendRequestEx error", static_cast<int32_t>(added));

    drive([this] { return responseHeadersDone_; });
    if (!responseHeadersDone_) {
        const int32_t code = result_ == CURLE_OK ? CURLE_GOT_NOTHING : result_;
        if (requestsOut_ == 0) return fail(u"HttpSendRequestEx error", code);
        if (content_ && !uploadDone_) return fail(u"Error sending content", code);
        return fail(u"HttpEndRequest error", code);
    }
    if (listener_) listener_->stage(3);
    return true;
}

bool Request::setOptions(const ZString& method) {
    CurlOptions set{easy_.get()};
    setTarget(set);
    setMethod(set, method);
    setHeaderList(set);
    setConnectionFlags(set);
    set(CURLOPT_WRITEFUNCTION, &Request::onWrite);
    set(CURLOPT_WRITEDATA, this);
    set(CURLOPT_HEADERFUNCTION, &Request::onHeader);
    set(CURLOPT_HEADERDATA, this);
    // The debug channel is where curl shows the request headers as sent.
    set(CURLOPT_DEBUGFUNCTION, &Request::onDebug);
    set(CURLOPT_DEBUGDATA, this);
    set(CURLOPT_VERBOSE, 1L);
    set(CURLOPT_XFERINFOFUNCTION, &Request::onProgress);
    set(CURLOPT_XFERINFODATA, this);
    set(CURLOPT_NOPROGRESS, 0L);
    if (set.result != CURLE_OK) return fail(u"HttpOpenRequest error", set.result);
    return true;
}

void Request::setTarget(CurlOptions& set) {
    const bool secure = (flags_ & kFlagSecure) != 0;
    ZString target = ZString(secure ? u"https://" : u"http://") + url_.host;
    target.append(u':').append(url_.port == -1 ? int32_t(80) : url_.port);
    target.append(url_.path.isEmpty() ? ZString(u"/") : url_.path);
    if (!url_.query.isEmpty()) target.append(u'?').append(url_.query);
    set(CURLOPT_URL, target.toUtf8().c_str());  // curl keeps its own copy
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_HTTP_VERSION, httpVersion_ == u"HTTP/1.0" ? long(CURL_HTTP_VERSION_1_0) : long(CURL_HTTP_VERSION_1_1));
    set(CURLOPT_CONNECTTIMEOUT_MS, long(sendTimeoutMs_));
    set(CURLOPT_HTTP_CONTENT_DECODING, 0L);
    set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
}

void Request::setMethod(CurlOptions& set, const ZString& method) {
    if (method == u"HEAD") {
        set(CURLOPT_NOBODY, 1L);
    } else if (method == u"POST") {
        // curl's own POST, so a 301/302/303 turns into a GET as browsers do.
        set(CURLOPT_POST, 1L);
        if (!content_) set(CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(0));
    } else {
        set(CURLOPT_CUSTOMREQUEST, method.toUtf8().c_str());
        if (content_) set(CURLOPT_UPLOAD, 1L);
    }
    if (!content_) return;
    set(CURLOPT_READFUNCTION, &Request::onRead);
    set(CURLOPT_READDATA, this);
    set(CURLOPT_SEEKFUNCTION, &Request::onSeek);
    set(CURLOPT_SEEKDATA, this);
    set(method == u"POST" ? CURLOPT_POSTFIELDSIZE_LARGE : CURLOPT_INFILESIZE_LARGE, curl_off_t(contentSize_));
}

void Request::setHeaderList(CurlOptions& set) {
    // Every header as designed, in key order; the user agent goes through
    // curl's own option so an empty one can fall back to our name.
    ZString agent;
    curl_slist* list = nullptr;
    auto append = [&](const std::string& line) {
        if (curl_slist* grown = curl_slist_append(list, line.c_str())) list = grown;
    };
    for (const auto& [name, value] : headers_) {
        if (name.equalsIgnoreCase(u"User-Agent")) {
            agent = value.trimmed();
            continue;
        }
        // "Name;" is curl's way of sending a header with an empty value.
        append(value.isEmpty() ? name.toUtf8() + ";" : name.toUtf8() + ": " + value.toUtf8());
    }
    // "Name:" keeps curl from adding a header of its own.
    if (!headers_.count(u"Expect")) append("Expect:");
    if (!headers_.count(u"Content-Type")) append("Content-Type:");
    headerList_.reset(list);
    if (agent.isEmpty()) agent = executableName();
    set(CURLOPT_HTTPHEADER, list);
    set(CURLOPT_USERAGENT, agent.toUtf8().c_str());
}

void Request::setConnectionFlags(CurlOptions& set) {
    set(CURLOPT_FOLLOWLOCATION, (flags_ & kFlagNoAutoRedirect) ? 0L : 1L);
    set(CURLOPT_MAXREDIRS, kMaxRedirects);
    set(CURLOPT_SSL_VERIFYHOST, (flags_ & kFlagIgnoreCertCnInvalid) ? 0L : 2L);
    // curl cannot skip only the date check: the chain is not verified at all.
    set(CURLOPT_SSL_VERIFYPEER, (flags_ & kFlagIgnoreCertDateInvalid) ? 0L : 1L);
    if (!(flags_ & kFlagNoCookies)) set(CURLOPT_COOKIEFILE, "");
    if (!(flags_ & kFlagNoAuth)) {
        set(CURLOPT_NETRC, long(CURL_NETRC_OPTIONAL));
        set(CURLOPT_HTTPAUTH, long(CURLAUTH_ANY));
    }
}

template <class Until>
void Request::drive(Until until) {
    while (!transferDone_ && !until()) {
        // An abort ends every phase, also the wait for a server that never answers.
        if (abort_) {
            transferDone_ = true;
            result_ = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        int running = 0;
        curl_multi_perform(multi_.get(), &running);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_.get(), &queued)) {
            if (message->msg == CURLMSG_DONE) {
                transferDone_ = true;
                result_ = message->data.result;
            }
        }
        if (transferDone_ || until()) break;
        const bool sending = phase_ == Phase::Sending;
        const auto limit = std::chrono::milliseconds(sending ? sendTimeoutMs_ : receiveTimeoutMs_);
        const auto idle = Clock::now() - lastActivity_;
        if (idle >= limit) {
            transferDone_ = true;
            result_ = CURLE_OPERATION_TIMEDOUT;
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(limit - idle).count();
        curl_multi_poll(multi_.get(), nullptr, 0, static_cast<int>(std::clamp<long long>(left, 1, kPollMs)), nullptr);
    }
}

void Request::receive(Output& output) {
    if (failed_) return;
    ZString encoding = responseHeader(u"Content-Encoding");
    if (encoding.equalsIgnoreCase(u"identity")) encoding.clear();
    contentEncoding_ = encoding;
    decoder_ = decodeContent_ && !encoding.isEmpty() ? ContentDecoder::forEncoding(encoding) : nullptr;
    contentLength_ = parseSize(responseHeader(u"Content-Length"));
    if (contentLength_ >= 0 && !decoder_) output.expectSize(contentLength_);
    if (listener_) listener_->stage(4);

    output_ = &output;
    received_ = 0;
    lastReportedReceived_ = -1;
    bodyEnded_ = false;
    lastActivity_ = Clock::now();
    phase_ = Phase::Body;
    const std::string early = std::move(pending_);
    pending_.clear();
    deliver(early.data(), early.size());
    if (easy_ && multi_) drive([this] { return stopReading(); });

    if (lastReportedReceived_ != received_) reportResponseProgress(true);
    if (listener_) listener_->stage(5);
    output_ = nullptr;
    if (decoder_) {
        contentEncoding_.clear();
        decoder_.reset();
    }
}

bool Request::stopReading() const { return abort_ || bodyEnded_ || (output_ && output_->full()); }

void Request::deliver(const char* bytes, size_t count) {
    if (!count || stopReading()) return;
    if (!decoder_) {
        emit(bytes, count);
        return;
    }
    if (!decoder_->feed(bytes, count, [this](const char* out, size_t n) { emit(out, n); })) bodyEnded_ = true;
}

void Request::emit(const char* bytes, size_t count) {
    while (count > 0 && !stopReading()) {
        const size_t piece = std::min(count, kPiece);
        output_->write(bytes, static_cast<int64_t>(piece));
        received_ += static_cast<int64_t>(piece);
        bytes += piece;
        count -= piece;
        reportResponseProgress(false);
    }
}

void Request::reportResponseProgress(bool final) {
    if (!listener_) return;
    const auto now = Clock::now();
    if (!final && lastReportedReceived_ >= 0 &&
        now - lastReceiveReport_ < std::chrono::milliseconds(listener_->receiveIntervalMs))
        return;
    listener_->responseProgress(received_, contentLength_);
    lastReportedReceived_ = received_;
    lastReceiveReport_ = now;
}

void Request::reportRequestProgress(bool final) {
    if (!listener_) return;
    const auto now = Clock::now();
    if (!final && lastReportedSent_ >= 0 && now - lastSendReport_ < std::chrono::milliseconds(listener_->sendIntervalMs))
        return;
    listener_->requestProgress(sent_, contentSize_);
    lastReportedSent_ = sent_;
    lastSendReport_ = now;
}

int32_t Request::statusCode() const { return statusOf(rawResponse_); }

ZString Request::rawRequestHeaders() const { return ZString::fromUtf8(rawRequest_); }

ZString Request::rawResponseHeaders() const { return ZString::fromUtf8(rawResponse_); }

ZString Request::responseHeader(const ZString& name) const {
    for (const auto& [key, value] : parseRawHeaders(rawResponseHeaders().view()))
        if (key.equalsIgnoreCase(name)) return value;
    return ZString();
}

void Request::onConnecting(const ZString& address) { serverAddress_ = address; }

void Request::onRedirect(const ZString& target) {
    try {
        redirectedUrl_ = Url::parse(target).toString();
    } catch (const std::runtime_error&) {
        redirectedUrl_ = target;
    }
}

size_t Request::onRead(char* buffer, size_t size, size_t count, void* self) {
    auto* r = static_cast<Request*>(self);
    r->lastActivity_ = Clock::now();
    const size_t capacity = std::min(size * count, kPiece);
    while (true) {
        const int64_t got = r->content_->read(buffer, static_cast<int64_t>(capacity));
        if (got < 0) {
            // A source that ends short of its announced size is a failed send.
            if (r->contentSize_ >= 0 && r->sent_ != r->contentSize_) return CURL_READFUNC_ABORT;
            r->uploadDone_ = true;
            r->phase_ = Phase::Waiting;
            if (r->lastReportedSent_ != r->sent_) r->reportRequestProgress(true);
            return 0;
        }
        if (got == 0) continue;
        r->sent_ += got;
        r->reportRequestProgress(false);
        return static_cast<size_t>(std::min<int64_t>(got, static_cast<int64_t>(capacity)));
    }
}

int Request::onSeek(void* self, curl_off_t offset, int origin) {
    // curl only ever asks for the start again (a 307 or 308 redirect).
    auto* r = static_cast<Request*>(self);
    if (offset != 0 || origin != SEEK_SET || !r->content_->rewind()) return CURL_SEEKFUNC_CANTSEEK;
    r->sent_ = 0;
    r->uploadDone_ = false;
    return CURL_SEEKFUNC_OK;
}

size_t Request::onWrite(char* bytes, size_t size, size_t count, void* self) {
    auto* r = static_cast<Request*>(self);
    const size_t total = size * count;
    r->lastActivity_ = Clock::now();
    // The body of a redirect that is being followed is nobody's business.
    if (!r->responseHeadersDone_) return total;
    if (!r->output_) {
        r->pending_.append(bytes, total);
        return total;
    }
    if (r->stopReading()) return 0;
    r->deliver(bytes, total);
    return total;
}

size_t Request::onHeader(char* bytes, size_t size, size_t count, void* self) {
    auto* r = static_cast<Request*>(self);
    const size_t total = size * count;
    r->lastActivity_ = Clock::now();
    if (r->phase_ == Phase::Sending) r->phase_ = Phase::Waiting;
    if (total >= 5 && std::string_view(bytes, 5) == "HTTP/") r->rawResponse_.clear();
    if (!isBlankLine(bytes, total)) {
        r->rawResponse_.append(bytes, total);
        return total;
    }
    const int32_t code = statusOf(r->rawResponse_);
    if (code < 200) return total;  // 1xx: another header block follows
    const bool followed = !(r->flags_ & kFlagNoAutoRedirect) && code >= 300 && code < 400 && code != 304 &&
                          !r->responseHeader(u"Location").isEmpty();
    if (!followed) {
        r->responseHeadersDone_ = true;
        r->phase_ = Phase::Headers;
    }
    return total;
}

int Request::onDebug(CURL* handle, curl_infotype type, char* data, size_t size, void* self) {
    if (type != CURLINFO_HEADER_OUT) return 0;
    auto* r = static_cast<Request*>(self);
    r->lastActivity_ = Clock::now();
    r->rawRequest_.assign(data, size);
    if (++r->requestsOut_ > 1) {
        char* effective = nullptr;
        if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
            r->status(Redirect, ZString::fromUtf8(effective));
    }
    char* ip = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_PRIMARY_IP, &ip) == CURLE_OK && ip) r->status(Connecting, ZString::fromUtf8(ip));
    r->status(Connected);
    if (!r->content_ || r->uploadDone_) r->phase_ = Phase::Waiting;
    return 0;
}

int Request::onProgress(void* self, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) {
    auto* r = static_cast<Request*>(self);
    if (dlnow != r->lastDown_ || ulnow != r->lastUp_) {
        r->lastDown_ = dlnow;
        r->lastUp_ = ulnow;
        r->lastActivity_ = Clock::now();
    }
    return r->output_ && r->stopReading() ? 1 : 0;
}

}  // namespace http
