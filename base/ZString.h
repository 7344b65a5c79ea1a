#pragma once

#include <cstdarg>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The program's string: UTF-16 characters in an owned, always terminated
// buffer. Copies never share a buffer; indices are clamped everywhere except
// in getAt, which throws std::out_of_range.
class ZString {
public:
    ZString();
    ZString(const char16_t* text);  // NOLINT: implicit from literals is the point
    ZString(const char16_t* text, int count);
    ZString(std::u16string_view text);
    ZString(const ZString& other);
    ZString(ZString&& other) noexcept;
    ~ZString();

    ZString& operator=(const ZString& other);
    ZString& operator=(ZString&& other) noexcept;
    ZString& operator=(const char16_t* text);

    // printf-style: %s and %ls take const char16_t*, %hs and %S take UTF-8
    // const char*, %c a char16_t; numbers are written with "." always.
    // A format error gives the empty string.
    static ZString format(const char16_t* fmt, ...);
    static ZString formatV(const char16_t* fmt, va_list args);

    // Bytes that are not valid UTF-8 (file names need not be) become the
    // code units U+DC80..U+DCFF, which toUtf8 turns back into the same bytes.
    static ZString fromUtf8(std::string_view utf8);
    std::string toUtf8() const;
    // For text shown to people: an escaped byte is written as U+FFFD, so the
    // result is always valid UTF-8.
    std::string toDisplayUtf8() const;

    ZString& append(const ZString& other);
    ZString& append(const char16_t* text);
    ZString& append(const char16_t* text, int count);
    ZString& append(char16_t c);
    ZString& append(int32_t value);
    ZString& append(uint32_t value);
    ZString& append(bool value);
    // A narrow string or char would silently pick the bool or int overload.
    ZString& append(const char*) = delete;
    ZString& append(char) = delete;
    ZString& appendFormat(const char16_t* fmt, ...);
    ZString& appendFormatV(const char16_t* fmt, va_list args);
    ZString& operator+=(const ZString& other) { return append(other); }
    ZString& operator+=(const char16_t* text) { return append(text); }
    ZString& operator+=(char16_t c) { return append(c); }

    int length() const { return length_; }
    int capacity() const { return capacity_; }
    bool isEmpty() const { return length_ == 0; }
    const char16_t* c_str() const { return data_; }
    const char16_t* data() const { return data_; }
    std::u16string_view view() const { return {data_, static_cast<size_t>(length_)}; }

    char16_t getAt(int index) const;
    char16_t operator[](int index) const { return getAt(index); }

    // Index of the first occurrence at or after start, or -1.
    int find(const ZString& needle, int start = 0) const;
    int find(char16_t c, int start = 0) const;
    int findLast(char16_t c) const;
    bool startsWith(const ZString& prefix) const;
    bool endsWith(const ZString& suffix) const;

    // [start, end); a negative end means the end of the string.
    ZString substring(int start, int end = -1) const;
    ZString& replace(int start, int end, const ZString& text);
    ZString& trim();
    ZString trimmed() const;
    ZString toLower() const;  // ASCII letters only
    bool equalsIgnoreCase(const ZString& other) const;

    int countDigits() const;
    bool endsWithSeparator() const;
    double toDouble() const;

    // Makes room for n characters by the growth rule.
    void reserve(int n);
    void clear();

    friend bool operator==(const ZString& a, const ZString& b) { return a.view() == b.view(); }
    friend bool operator==(const ZString& a, const char16_t* b) {
        return a.view() == std::u16string_view(b ? b : u"");
    }
    friend auto operator<=>(const ZString& a, const ZString& b) { return a.view() <=> b.view(); }

private:
    char16_t* data_;
    int32_t length_;
    int32_t capacity_;
};

ZString operator+(const ZString& a, const ZString& b);

// UTF-16 to UTF-8 for display: unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);

template <>
struct std::hash<ZString> {
    size_t operator()(const ZString& s) const noexcept {
        return std::hash<std::u16string_view>()(s.view());
    }
};
