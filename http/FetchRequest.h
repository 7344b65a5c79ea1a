#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "base/Props.h"
#include "base/ZString.h"
#include "http/HeaderMap.h"
#include "http/Input.h"
#include "http/Output.h"
#include "http/ProgressListener.h"

namespace http {

class Request;

// The way in for another thread to end a running fetch.
struct FetchAbort {
    std::mutex lock;
    bool aborted = false;
    Request* active = nullptr;  // the exchange under way, guarded by lock
};

// What to fetch and, after runFetch, what came back.
struct FetchRequest {
    bool failed = false;
    bool prepared = false;
    bool urlChanged = false;
    ZString errorMessage;
    int32_t errorCode = 0;
    ProgressListener* listener = nullptr;
    uint32_t receiveTimeoutMs = 30000;
    uint32_t sendTimeoutMs = 30000;
    ZString url;
    ZString method = u"GET";
    ZString charset = u"UTF-8";
    uint32_t flags = 0;
    HeaderMap headers;
    ZString contentType;
    ZString dataEncoding;  // empty, "hex" or "base64"
    // The body source; owned when prepareFetch made it.
    Input* content = nullptr;
    std::unique_ptr<Input> ownedContent;
    ZString data;
    Props formValues;
    Output* output = nullptr;
    bool decodeContent = true;
    std::shared_ptr<FetchAbort> abortState = std::make_shared<FetchAbort>();

    // Results.
    int32_t statusCode = -1;
    ZString redirectedUrl;
    ZString contentEncoding;
    ZString serverAddress;
    HeaderMap requestHeaders;
    HeaderMap responseHeaders;
};

// Turns the description into a final URL, a body and a content type. A
// second call returns at once.
bool prepareFetch(FetchRequest& request);

// Prepares, sends, receives into the output (when set) and fills the results.
// False when the request could not be sent or was not answered.
bool runFetch(FetchRequest& request);

// Ends the fetch's exchange soon (or keeps it from starting); any thread.
void abortFetch(FetchRequest& request);

}  // namespace http
