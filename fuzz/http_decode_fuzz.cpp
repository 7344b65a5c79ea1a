// Response bodies are untrusted: the gzip and deflate decoders must end
// cleanly on any bytes, fed in any split, and give the same output however
// the bytes are split.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "http/ContentDecoder.h"

namespace {

std::string decode(const ZString& encoding, const uint8_t* data, size_t size, size_t step) {
    auto decoder = http::ContentDecoder::forEncoding(encoding);
    std::string out;
    auto sink = [&](const char* bytes, size_t count) {
        out.append(bytes, count);
        if (out.size() > (64u << 20)) __builtin_trap();
    };
    for (size_t at = 0; at < size; at += step) {
        if (!decoder->feed(reinterpret_cast<const char*>(data) + at, std::min(step, size - at), sink)) break;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte picks the coding and the split size.
    const ZString encoding = (data[0] & 1) ? u"gzip" : u"deflate";
    const size_t step = 1 + (data[0] >> 1);
    const std::string whole = decode(encoding, data + 1, size - 1, size);
    const std::string split = decode(encoding, data + 1, size - 1, step);
    if (whole != split) __builtin_trap();
    return 0;
}
