#pragma once

#include <curl/curl.h>

#include "base/CHandle.h"

namespace http {

using CurlEasy = CHandle<CURL, curl_easy_cleanup>;
using CurlMulti = CHandle<CURLM, curl_multi_cleanup>;
using CurlSlist = CHandle<curl_slist, curl_slist_free_all>;

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
