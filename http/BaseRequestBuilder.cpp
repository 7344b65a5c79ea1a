#include "http/BaseRequestBuilder.h"

#include "base/Charset.h"

namespace http {

namespace {
constexpr int32_t kUtf8CodePage = 65001;
}

std::string BaseRequestBuilder::encode(const ZString& text) const {
    std::string bytes;
    if (!encodeCodePage(text, codePageForCharset(charset_, kUtf8CodePage), bytes)) bytes = text.toUtf8();
    return bytes;
}

void KeyValueRequestBuilder::addAll(const Props& values) {
    for (const auto& [key, value] : values) add(key, value);
}

}  // namespace http
