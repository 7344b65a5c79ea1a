#include <cstddef>
#include <cstdint>
#include <exception>
#include <string_view>

#include "base/Url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZString text = ZString::fromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    try {
        Url url = Url::parse(text);
        if (url.port < -1 || url.port > 99999) __builtin_trap();
        ZString written = url.toString();
        (void)written;
    } catch (const std::exception&) {
        // A bad port is the one reported failure.
    }
    return 0;
}
