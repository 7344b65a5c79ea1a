#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "base/Url.h"
#include "base/ZString.h"
#include "http/ContentDecoder.h"
#include "http/CurlHandles.h"
#include "http/HeaderMap.h"
#include "http/Input.h"
#include "http/Output.h"
#include "http/ProgressListener.h"
#include "http/StatusCallback.h"

namespace http {

// One HTTP or HTTPS exchange: send the request (headers, then a body of known
// size or chunked), then stream the response body into an Output, decoding
// gzip and deflate ourselves. The first failure is kept as a fixed message
// and the transport's error code. Used by one thread at a time.
class Request : public StatusCallback {
public:
    Request(const Url& url, uint32_t flags);
    ~Request() override;
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    bool send(const ZString& method);
    // After a successful send; does nothing after a failure.
    void receive(Output& output);

    // The final response's status code, -1 when there is none.
    int32_t statusCode() const;
    // Lines of "Name: value"; the request's as they went out last.
    ZString rawRequestHeaders() const;
    ZString rawResponseHeaders() const;
    // A header of the final response, empty when absent.
    ZString responseHeader(const ZString& name) const;

    HeaderMap& headers() { return headers_; }
    void setContent(Input* content) { content_ = content; }
    void setContentType(const ZString& type) { contentType_ = type; }
    void setListener(ProgressListener* listener) { listener_ = listener; }
    void setDecodeContent(bool decode) { decodeContent_ = decode; }
    void setReceiveTimeout(uint32_t ms) { receiveTimeoutMs_ = ms; }
    void setSendTimeout(uint32_t ms) { sendTimeoutMs_ = ms; }
    void setHttpVersion(const ZString& version) { httpVersion_ = version; }
    // Ends the exchange within one poll interval, whatever it is waiting
    // for (a send then fails, a receive ends early); may be called from
    // another thread.
    void abort() { abort_ = true; }

    uint32_t flags() const { return flags_; }
    bool failed() const { return failed_; }
    int32_t errorCode() const { return errorCode_; }
    const ZString& errorMessage() const { return errorMessage_; }
    const ZString& redirectedUrl() const { return redirectedUrl_; }
    const ZString& serverAddress() const { return serverAddress_; }
    const ZString& contentEncoding() const { return contentEncoding_; }
    // Body bytes delivered by the last receive (decoded when decoding).
    int64_t received() const { return received_; }

protected:
    void onConnecting(const ZString& address) override;
    void onRedirect(const ZString& target) override;

private:
    using Clock = std::chrono::steady_clock;
    enum class Phase { Sending, Waiting, Headers, Body };

    void prepareHeaders();
    bool openLibrary();
    bool setOptions(const ZString& method);
    void setTarget(CurlOptions& set);
    void setMethod(CurlOptions& set, const ZString& method);
    void setHeaderList(CurlOptions& set);
    void setConnectionFlags(CurlOptions& set);
    bool fail(const char16_t* message, int32_t code);
    void close();
    // Runs the transfer until `until` holds, it ends or it stalls too long.
    template <class Until>
    void drive(Until until);
    void deliver(const char* bytes, size_t count);
    void emit(const char* bytes, size_t count);
    void reportResponseProgress(bool final);
    void reportRequestProgress(bool final);
    bool stopReading() const;

    static size_t onRead(char* buffer, size_t size, size_t count, void* self);
    static int onSeek(void* self, curl_off_t offset, int origin);
    static size_t onWrite(char* bytes, size_t size, size_t count, void* self);
    static size_t onHeader(char* bytes, size_t size, size_t count, void* self);
    static int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self);
    static int onProgress(void* self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal, curl_off_t ulnow);

    CurlEasy easy_;
    CurlMulti multi_;
    CurlSlist headerList_;
    uint32_t flags_;
    int32_t errorCode_ = 0;
    bool failed_ = false;
    ZString errorMessage_;
    ZString httpVersion_ = u"HTTP/1.1";
    uint32_t receiveTimeoutMs_ = 30000;
    uint32_t sendTimeoutMs_ = 30000;
    Url url_;
    ZString redirectedUrl_;
    HeaderMap headers_;
    Input* content_ = nullptr;
    ZString contentType_;
    ProgressListener* listener_ = nullptr;
    ZString serverAddress_;
    bool decodeContent_ = true;
    ZString contentEncoding_;
    std::atomic<bool> abort_{false};

    // Transfer state.
    Phase phase_ = Phase::Sending;
    bool transferDone_ = false;
    CURLcode result_ = CURLE_OK;
    bool uploadDone_ = false;
    int requestsOut_ = 0;
    Clock::time_point lastActivity_;
    curl_off_t lastDown_ = 0;
    curl_off_t lastUp_ = 0;
    std::string rawRequest_;
    std::string rawResponse_;
    bool responseHeadersDone_ = false;
    std::string pending_;
    Output* output_ = nullptr;
    std::unique_ptr<ContentDecoder> decoder_;
    bool bodyEnded_ = false;
    int64_t sent_ = 0;
    int64_t contentSize_ = -1;
    int64_t received_ = 0;
    int64_t contentLength_ = -1;
    int64_t lastReportedSent_ = -1;
    int64_t lastReportedReceived_ = -1;
    Clock::time_point lastSendReport_;
    Clock::time_point lastReceiveReport_;
    char readBuffer_[4096];
};

}  // namespace http
