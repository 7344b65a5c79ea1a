#include "base/UrlEscape.h"

#include "base/NumberParse.h"

#include <cstring>
#include <string>

namespace {

bool isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

ZString escapeBytes(const char* bytes, size_t length, bool keepSlash) {
    static constexpr char16_t kHex[] = u"0123456789abcdef";
    ZString out;
    out.reserve(static_cast<int>(length));
    for (size_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (isUnreserved(c) || (keepSlash && c == '/')) {
            out.append(static_cast<char16_t>(c));
        } else {
            out.append(u'%');
            out.append(kHex[c >> 4]);
            out.append(kHex[c & 15]);
        }
    }
    return out;
}

}  // namespace

ZString escapeComponent(const char* bytes, int length) {
    if (!bytes) return ZString();
    size_t count = length < 0 ? std::strlen(bytes) : static_cast<size_t>(length);
    return escapeBytes(bytes, count, false);
}

ZString escapePath(const ZString& text) {
    std::string utf8 = text.toUtf8();
    return escapeBytes(utf8.data(), utf8.size(), true);
}

bool unescape(const ZString& text, ZString& result) {
    const std::u16string_view t = text.view();
    std::string bytes;
    bytes.reserve(t.size());
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i] != u'%') {
            bytes.push_back(static_cast<char>(t[i] & 0xFF));
            continue;
        }
        if (i + 2 >= t.size()) return false;
        int high = hexDigitValue(t[i + 1]);
        int low = hexDigitValue(t[i + 2]);
        if (high < 0 || low < 0) return false;
        bytes.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    size_t zero = bytes.find('\0');
    if (zero != std::string::npos) bytes.resize(zero);
    result = ZString::fromUtf8(bytes);
    return true;
}
