#pragma once

#include <string_view>

// Character classes shared by the markup and style readers: ASCII fast paths,
// Unicode tables beyond, independent of the process locale.
namespace xhtml::chars {

bool isLetterBeyondAscii(char16_t c);
bool isSpaceBeyondAscii(char16_t c);

inline bool isLetter(char16_t c) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    return isLetterBeyondAscii(c);
}

inline bool isSpace(char16_t c) {
    if (c < 0x80) return c == u' ' || (c >= u'\t' && c <= u'\r');
    return isSpaceBeyondAscii(c);
}

inline bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

inline char16_t lowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

inline bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

inline bool startsWithIgnoreCase(std::u16string_view text, size_t position, std::u16string_view prefix) {
    if (position > text.size() || text.size() - position < prefix.size()) return false;
    return equalsIgnoreCase(text.substr(position, prefix.size()), prefix);
}

}  // namespace xhtml::chars
