#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<uint8_t> bytes = base64Decode(text);
    if (bytes.size() > size) __builtin_trap();

    // Whatever decodes must survive a round trip, and so must the raw input.
    std::string encoded = base64Encode(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (base64Decode(encoded) != bytes) __builtin_trap();
    std::vector<uint8_t> raw(data, data + size);
    if (base64Decode(base64Encode(text)) != raw) __builtin_trap();
    return 0;
}
