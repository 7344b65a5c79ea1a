#include "base/NumberParse.h"

#include <charconv>
#include <cstdlib>
#include <string>

#include "base/CLocale.h"

namespace {

bool isCSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

int digitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'z') return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
    return 99;
}

}  // namespace

int32_t parseLong(std::u16string_view text, int base, size_t* consumed) {
    size_t i = 0;
    const size_t n = text.size();
    if (consumed) *consumed = 0;
    while (i < n && isCSpace(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    auto hexPrefixAt = [&](size_t at) {
        return at + 2 < n && text[at] == u'0' && (text[at + 1] == u'x' || text[at + 1] == u'X') &&
               digitValue(text[at + 2]) < 16;
    };
    if (base == 0) {
        if (hexPrefixAt(i)) {
            base = 16;
            i += 2;
        } else if (i < n && text[i] == u'0') {
            base = 8;
        } else {
            base = 10;
        }
    } else if (base == 16 && hexPrefixAt(i)) {
        i += 2;
    }
    if (base < 2 || base > 36) return 0;
    const size_t digitsStart = i;
    int64_t value = 0;
    bool overflow = false;
    while (i < n && digitValue(text[i]) < base) {
        if (!overflow) {
            value = value * base + digitValue(text[i]);
            if (value > int64_t(INT32_MAX) + 1) overflow = true;
        }
        ++i;
    }
    if (i == digitsStart) return 0;
    if (consumed) *consumed = i;
    if (negative) {
        if (overflow || value > int64_t(INT32_MAX) + 1) return INT32_MIN;
        return static_cast<int32_t>(-value);
    }
    if (overflow || value > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(value);
}

double parseDouble(std::u16string_view text, size_t* consumed) {
    // Only ASCII can be part of a number; copy up to the first other unit.
    std::string ascii;
    ascii.reserve(text.size() < 64 ? text.size() : 64);
    for (char16_t c : text) {
        if (c == 0 || c > 0x7F) break;
        ascii.push_back(static_cast<char>(c));
    }
    char* end = nullptr;
    double value = strtod_l(ascii.c_str(), &end, cLocale());
    if (consumed) *consumed = static_cast<size_t>(end - ascii.c_str());
    return value;
}

int hexDigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

bool parsePositiveInt(std::string_view text, int maximum, int& out) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || text.front() == '-' || error != std::errc() || stop != end || value < 1 || value > maximum) {
        return false;
    }
    out = value;
    return true;
}
