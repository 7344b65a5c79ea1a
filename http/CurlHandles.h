#pragma once

#include <curl/curl.h>

#include <memory>

namespace http {

struct CurlEasyCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlMultiCleanup {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct CurlSlistFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

using CurlEasy = std::unique_ptr<CURL, CurlEasyCleanup>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiCleanup>;
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistFree>;

// Sets options on an easy handle until the first one fails; `result` then
// holds that failure.
struct CurlOptions {
    CURL* handle;
    CURLcode result = CURLE_OK;

    template <class Value>
    void operator()(CURLoption option, Value value) {
        if (result == CURLE_OK) result = curl_easy_setopt(handle, option, value);
    }
};

// curl_global_init, once per process and thread-safe.
void initCurlOnce();

}  // namespace http
