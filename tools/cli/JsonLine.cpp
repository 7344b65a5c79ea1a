#include "JsonLine.h"

#include <charconv>
#include <cmath>

namespace {

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Escapes what JSON requires and every unpaired surrogate; the rest stays
// as it is and becomes UTF-8 in one piece.
std::string quoted(const ZString& value) {
    ZString out;
    int n = value.length();
    for (int i = 0; i < n; ++i) {
        char16_t c = value[i];
        if (isHighSurrogate(c) && i + 1 < n && isLowSurrogate(value[i + 1])) {
            out += c;
            out += value[++i];
        } else if (c == u'"' || c == u'\\') {
            out += u'\\';
            out += c;
        } else if (c == u'\n') {
            out += u"\\n";
        } else if (c < 0x20 || c == 0x7F || isHighSurrogate(c) || isLowSurrogate(c)) {
            out.appendFormat(u"\\u%04x", static_cast<unsigned>(c));
        } else {
            out += c;
        }
    }
    return "\"" + out.toUtf8() + "\"";
}

}  // namespace

void JsonLine::key(const char* name) {
    if (out_.size() > 1) out_ += ',';
    out_ += '"';
    out_ += name;
    out_ += "\":";
}

JsonLine& JsonLine::text(const char* name, const ZString& value) {
    key(name);
    out_ += quoted(value);
    return *this;
}

JsonLine& JsonLine::number(const char* name, int64_t value) {
    key(name);
    out_ += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::decimal(const char* name, double value, int digits) {
    if (!std::isfinite(value)) return null(name);
    key(name);
    // to_chars writes in the "C" locale whatever the process's locale is.
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, digits);
    out_.append(buffer, result.ptr);
    return *this;
}

JsonLine& JsonLine::null(const char* name) {
    key(name);
    out_ += "null";
    return *this;
}
