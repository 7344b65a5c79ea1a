#include "platform/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace platform {

namespace {

bool isUtf8(int32_t codePage) { return codePage == CP_SYSTEM || codePage == CP_UTF8; }

class Iconv {
public:
    Iconv(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Iconv() {
        if (valid()) iconv_close(handle_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Converts everything; unconvertible input stops the conversion there.
    std::string convert(const char* data, size_t size) {
        std::string out;
        char buffer[4096];
        char* in = const_cast<char*>(data);
        size_t left = size;
        while (left > 0) {
            char* outPtr = buffer;
            size_t room = sizeof buffer;
            size_t r = iconv(handle_, &in, &left, &outPtr, &room);
            out.append(buffer, static_cast<size_t>(outPtr - buffer));
            if (r == static_cast<size_t>(-1) && errno != E2BIG) break;
        }
        return out;
    }

private:
    iconv_t handle_;
};

std::string codePageName(int32_t codePage) { return "CP" + std::to_string(codePage); }

}  // namespace

std::optional<std::string> encodeCodePage(int32_t codePage, const ZString& text) {
    if (codePage < 0) return std::nullopt;
    if (isUtf8(codePage)) return text.toUtf8();
    Iconv converter(codePageName(codePage).c_str(), "UTF-16LE");
    if (!converter.valid()) return std::nullopt;
    return converter.convert(reinterpret_cast<const char*>(text.data()),
                             static_cast<size_t>(text.length()) * sizeof(char16_t));
}

std::optional<ZString> decodeCodePage(int32_t codePage, const std::string& bytes) {
    if (codePage < 0) return std::nullopt;
    if (isUtf8(codePage)) return ZString::fromUtf8(bytes);
    Iconv converter("UTF-16LE", codePageName(codePage).c_str());
    if (!converter.valid()) return std::nullopt;
    std::string wide = converter.convert(bytes.data(), bytes.size());
    return ZString(reinterpret_cast<const char16_t*>(wide.data()),
                   static_cast<int>(wide.size() / sizeof(char16_t)));
}

}  // namespace platform
