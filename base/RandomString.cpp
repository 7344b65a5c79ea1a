#include "base/RandomString.h"

#include <random>

const ZString& defaultRandomAlphabet() {
    static const ZString alphabet(u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return alphabet;
}

ZString randomString(int32_t length, const ZString& alphabet) {
    ZString out;
    if (length < 1 || alphabet.isEmpty()) return out;
    std::random_device device;
    out.reserve(length);
    const auto size = static_cast<std::random_device::result_type>(alphabet.length());
    for (int32_t i = 0; i < length; ++i) out.append(alphabet[static_cast<int>(device() % size)]);
    return out;
}
