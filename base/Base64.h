#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// Base64 with the standard alphabet and "=" padding, no line breaks.

namespace base64detail {
inline constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// 0..63, or -1 for a character outside the alphabet.
inline int decodeChar(char32_t c) {
    if (c >= U'A' && c <= U'Z') return int(c - U'A');
    if (c >= U'a' && c <= U'z') return int(c - U'a') + 26;
    if (c >= U'0' && c <= U'9') return int(c - U'0') + 52;
    if (c == U'+') return 62;
    if (c == U'/') return 63;
    return -1;
}
}  // namespace base64detail

// Delivers the base64 text of the bytes one character at a time to `sink`.
template <class Sink>
void base64Encode(const uint8_t* bytes, size_t length, Sink&& sink) {
    using base64detail::kAlphabet;
    size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        uint32_t group = (uint32_t(bytes[i]) << 16) | (uint32_t(bytes[i + 1]) << 8) | bytes[i + 2];
        sink(kAlphabet[(group >> 18) & 63]);
        sink(kAlphabet[(group >> 12) & 63]);
        sink(kAlphabet[(group >> 6) & 63]);
        sink(kAlphabet[group & 63]);
    }
    size_t rest = length - i;
    if (rest == 0) return;
    uint32_t group = uint32_t(bytes[i]) << 16;
    if (rest == 2) group |= uint32_t(bytes[i + 1]) << 8;
    sink(kAlphabet[(group >> 18) & 63]);
    sink(kAlphabet[(group >> 12) & 63]);
    sink(rest == 2 ? kAlphabet[(group >> 6) & 63] : '=');
    sink('=');
}

inline std::string base64Encode(std::string_view bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    base64Encode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), [&](char c) { text.push_back(c); });
    return text;
}

// Appends the decoded bytes of the characters `source(0)`, `source(1)`, ...
// Stops without error at a zero character, "=" or anything outside the
// alphabet; a final group of 2 or 3 characters gives 1 or 2 bytes.
template <class Source>
void base64Decode(Source&& source, std::vector<uint8_t>& bytes) {
    uint32_t group = 0;
    int count = 0;
    for (size_t i = 0;; ++i) {
        int value = base64detail::decodeChar(static_cast<char32_t>(source(i)));
        if (value < 0) break;
        group = (group << 6) | uint32_t(value);
        if (++count == 4) {
            bytes.push_back(uint8_t(group >> 16));
            bytes.push_back(uint8_t(group >> 8));
            bytes.push_back(uint8_t(group));
            group = 0;
            count = 0;
        }
    }
    if (count == 2) {
        bytes.push_back(uint8_t(group >> 4));
    } else if (count == 3) {
        bytes.push_back(uint8_t(group >> 10));
        bytes.push_back(uint8_t(group >> 2));
    }
}

// Over a whole text; its end counts as a zero character.
template <class Char>
std::vector<uint8_t> base64Decode(std::basic_string_view<Char> text) {
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3 + 2);
    base64Decode(
        [&](size_t i) {
            return i < text.size() ? char32_t(static_cast<std::make_unsigned_t<Char>>(text[i])) : char32_t(0);
        },
        bytes);
    return bytes;
}
inline std::vector<uint8_t> base64Decode(std::string_view text) { return base64Decode<char>(text); }
inline std::vector<uint8_t> base64Decode(std::u16string_view text) { return base64Decode<char16_t>(text); }
