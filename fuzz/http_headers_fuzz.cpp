// Raw response header text from a server is untrusted: the parser and the
// merge rule must take anything.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/ZString.h"
#include "http/HeaderMap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ZString text = ZString::fromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    http::HeaderMap headers;
    for (const auto& [name, value] : http::parseRawHeaders(text.view())) {
        if (name.find(u':') >= 0) __builtin_trap();
        http::addHeader(headers, name, value);
        http::addHeader(headers, name, value);  // the same again changes nothing
    }
    if (headers.size() > static_cast<size_t>(text.length())) __builtin_trap();
    return 0;
}
