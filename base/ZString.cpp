#include "base/ZString.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <new>
#include <stdexcept>

#include "base/CLocale.h"

namespace {

int lengthOf(const char16_t* text) {
    if (!text) return 0;
    int n = 0;
    while (text[n]) ++n;
    return n;
}

char16_t* allocate(int capacity) {
    // operator new throws std::bad_alloc: the run-time's out-of-memory path.
    return new char16_t[static_cast<size_t>(capacity) + 1];
}

bool isTrimSpace(char16_t c) { return c == 32 || (c >= 9 && c <= 13); }

// Receives formatted output; in the first pass it only counts.
struct FormatSink {
    char16_t* out = nullptr;
    int count = 0;
    void put(char16_t c) {
        if (out) out[count] = c;
        ++count;
    }
    void putAscii(const char* s, int n) {
        for (int i = 0; i < n; ++i) put(static_cast<unsigned char>(s[i]));
    }
    void pad(int n) {
        for (int i = 0; i < n; ++i) put(u' ');
    }
};

struct Conversion {
    std::string flags;
    int width = -1;
    int precision = -1;
    std::string length;
    char conversion = 0;
};

// Parses one conversion after '%'; returns false on a malformed one.
bool parseConversion(const char16_t*& p, va_list& args, Conversion& conv) {
    while (*p == u'-' || *p == u'+' || *p == u' ' || *p == u'#' || *p == u'0') {
        conv.flags += static_cast<char>(*p++);
    }
    if (*p == u'*') {
        conv.width = va_arg(args, int);
        if (conv.width < 0) {
            conv.flags += '-';
            conv.width = -conv.width;
        }
        ++p;
    } else {
        while (*p >= u'0' && *p <= u'9') conv.width = (conv.width < 0 ? 0 : conv.width * 10) + (*p++ - u'0');
    }
    if (*p == u'.') {
        ++p;
        conv.precision = 0;
        if (*p == u'*') {
            conv.precision = va_arg(args, int);
            ++p;
        } else {
            while (*p >= u'0' && *p <= u'9') conv.precision = conv.precision * 10 + (*p++ - u'0');
        }
    }
    if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4') {
        conv.length = "ll";
        p += 3;
    } else {
        while (*p == u'h' || *p == u'l' || *p == u'z' || *p == u'j' || *p == u't' || *p == u'L') {
            conv.length += static_cast<char>(*p++);
        }
    }
    if (!*p || *p > 127) return false;
    conv.conversion = static_cast<char>(*p++);
    return std::strchr("diuoxXcsSpfFeEgGaA%", conv.conversion) != nullptr;
}

void putPadded(FormatSink& sink, const Conversion& conv, const char16_t* text, int n) {
    bool left = conv.flags.find('-') != std::string::npos;
    int padding = conv.width > n ? conv.width - n : 0;
    if (!left) sink.pad(padding);
    for (int i = 0; i < n; ++i) sink.put(text[i]);
    if (left) sink.pad(padding);
}

void putString(FormatSink& sink, const Conversion& conv, va_list& args) {
    bool narrow = conv.conversion == 'S' || conv.length == "h";
    if (narrow) {
        const char* s = va_arg(args, const char*);
        ZString wide = ZString::fromUtf8(s ? s : "(null)");
        int n = wide.length();
        if (conv.precision >= 0 && conv.precision < n) n = conv.precision;
        putPadded(sink, conv, wide.c_str(), n);
        return;
    }
    const char16_t* s = va_arg(args, const char16_t*);
    if (!s) s = u"(null)";
    int n = lengthOf(s);
    if (conv.precision >= 0 && conv.precision < n) n = conv.precision;
    putPadded(sink, conv, s, n);
}

// One number printed by snprintf at whatever length it needs.
template <typename T>
std::string printNumber(const std::string& fmt, T value) {
    int n = std::snprintf(nullptr, 0, fmt.c_str(), value);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), fmt.c_str(), value);
    out.resize(static_cast<size_t>(n));
    return out;
}

// Numbers go through snprintf in the "C" locale of this thread only.
void putNumber(FormatSink& sink, const Conversion& conv, va_list& args) {
    std::string fmt = "%" + conv.flags;
    if (conv.width >= 0) fmt += std::to_string(conv.width);
    if (conv.precision >= 0) fmt += "." + std::to_string(conv.precision);
    std::string text;
    char c = conv.conversion;
    CLocaleScope cLocale;
    if (std::strchr("fFeEgGaA", c)) {
        if (conv.length == "L") {
            fmt += "L";
            fmt += c;
            text = printNumber(fmt, va_arg(args, long double));
        } else {
            fmt += c;
            text = printNumber(fmt, va_arg(args, double));
        }
    } else if (c == 'p') {
        fmt += c;
        text = printNumber(fmt, va_arg(args, void*));
    } else {
        bool isSigned = c == 'd' || c == 'i';
        const std::string& len = conv.length;
        fmt += "ll";
        fmt += c;
        long long value;
        if (len == "ll" || len == "j") {
            value = isSigned ? va_arg(args, long long) : static_cast<long long>(va_arg(args, unsigned long long));
        } else if (len == "l" || len == "z" || len == "t") {
            value = isSigned ? va_arg(args, long) : static_cast<long long>(va_arg(args, unsigned long));
        } else if (len == "hh") {
            int v = va_arg(args, int);
            value = isSigned ? static_cast<signed char>(v) : static_cast<unsigned char>(v);
        } else if (len == "h") {
            int v = va_arg(args, int);
            value = isSigned ? static_cast<short>(v) : static_cast<unsigned short>(v);
        } else {
            value = isSigned ? va_arg(args, int) : static_cast<long long>(va_arg(args, unsigned int));
        }
        text = printNumber(fmt, value);
    }
    sink.putAscii(text.data(), static_cast<int>(text.size()));
}

// One formatting pass; returns false on a format error.
bool formatConversions(FormatSink& sink, const char16_t* fmt, va_list& args) {
    for (const char16_t* p = fmt; *p;) {
        if (*p != u'%') {
            sink.put(*p++);
            continue;
        }
        ++p;
        Conversion conv;
        if (!parseConversion(p, args, conv)) return false;
        switch (conv.conversion) {
            case '%':
                sink.put(u'%');
                break;
            case 'c': {
                char16_t c = static_cast<char16_t>(va_arg(args, int));
                putPadded(sink, conv, &c, 1);
                break;
            }
            case 's':
            case 'S':
                putString(sink, conv, args);
                break;
            default:
                putNumber(sink, conv, args);
        }
    }
    return true;
}

bool formatPass(FormatSink& sink, const char16_t* fmt, va_list source) {
    // A local copy can be passed on by reference on every ABI.
    va_list args;
    va_copy(args, source);
    bool ok = formatConversions(sink, fmt, args);
    va_end(args);
    return ok;
}

}  // namespace

ZString::ZString() : data_(allocate(0)), length_(0), capacity_(0) { data_[0] = 0; }

ZString::ZString(const char16_t* text) : ZString(text, -1) {}

ZString::ZString(const char16_t* text, int count)
    : data_(nullptr), length_(0), capacity_(0) {
    if (!text) count = 0;
    if (count < 0) count = lengthOf(text);
    // One allocation of exactly the needed size: strings are built from text
    // far more often than they grow.
    data_ = allocate(count);
    if (count > 0) std::memcpy(data_, text, sizeof(char16_t) * count);
    length_ = capacity_ = count;
    data_[length_] = 0;
}

ZString::ZString(std::u16string_view text) : ZString(text.data(), static_cast<int>(text.size())) {}

ZString::ZString(const ZString& other)
    : data_(allocate(other.length_)), length_(other.length_), capacity_(other.length_) {
    std::memcpy(data_, other.data_, sizeof(char16_t) * length_);
    data_[length_] = 0;
}

ZString::ZString(ZString&& other) noexcept
    : data_(other.data_), length_(other.length_), capacity_(other.capacity_) {
    // The moved-from string keeps a valid empty buffer of its own.
    other.data_ = new (std::nothrow) char16_t[1];
    if (!other.data_) std::abort();
    other.data_[0] = 0;
    other.length_ = 0;
    other.capacity_ = 0;
}

ZString::~ZString() { delete[] data_; }

ZString& ZString::operator=(const ZString& other) {
    // A copy owns a buffer of exactly its length, like the copy constructor's.
    if (this != &other) {
        ZString copy(other);
        *this = std::move(copy);
    }
    return *this;
}

ZString& ZString::operator=(ZString&& other) noexcept {
    if (this != &other) {
        std::swap(data_, other.data_);
        std::swap(length_, other.length_);
        std::swap(capacity_, other.capacity_);
        other.clear();
    }
    return *this;
}

ZString& ZString::operator=(const char16_t* text) {
    ZString copy(text);
    return *this = std::move(copy);
}

void ZString::reserve(int n) {
    if (n <= capacity_) return;
    int grown = capacity_ > INT32_MAX / 2 ? INT32_MAX - 1 : capacity_ * 2;
    int newCapacity = std::max({grown, 16, n});
    char16_t* buffer = allocate(newCapacity);
    std::memcpy(buffer, data_, sizeof(char16_t) * length_);
    delete[] data_;
    data_ = buffer;
    capacity_ = newCapacity;
    data_[length_] = 0;
}

void ZString::clear() {
    length_ = 0;
    data_[0] = 0;
}

ZString ZString::formatV(const char16_t* fmt, va_list args) {
    ZString result;
    if (!fmt) return result;
    FormatSink counter;
    va_list first;
    va_copy(first, args);
    bool ok = formatPass(counter, fmt, first);
    va_end(first);
    if (!ok) return result;
    // Exactly the measured length plus the terminator.
    delete[] result.data_;
    result.data_ = allocate(counter.count);
    result.capacity_ = counter.count;
    FormatSink writer{result.data_, 0};
    formatPass(writer, fmt, args);
    result.length_ = writer.count;
    result.data_[result.length_] = 0;
    return result;
}

ZString ZString::format(const char16_t* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    ZString result = formatV(fmt, args);
    va_end(args);
    return result;
}

ZString& ZString::appendFormatV(const char16_t* fmt, va_list args) {
    return append(formatV(fmt, args));
}

ZString& ZString::appendFormat(const char16_t* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    appendFormatV(fmt, args);
    va_end(args);
    return *this;
}

ZString ZString::fromUtf8(std::string_view utf8) {
    ZString result;
    result.reserve(static_cast<int>(utf8.size()));
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    size_t n = utf8.size();
    for (size_t i = 0; i < n;) {
        unsigned char c = s[i];
        char32_t cp = 0xFFFD;
        size_t extra = 0;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F, extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F, extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07, extra = 3;
        } else {
            extra = 0;
        }
        size_t j = 1;
        bool valid = c < 0x80 || extra > 0;
        for (; valid && j <= extra; ++j) {
            if (i + j >= n || (s[i + j] & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (s[i + j] & 0x3F);
        }
        if (!valid || (extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) ||
            (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF)) {
            // A byte that is no part of valid UTF-8 (a file name is bytes)
            // travels as U+DC00 + byte and is written back as that byte.
            result.append(char16_t(0xDC00 + c));
            ++i;
            continue;
        }
        i += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            result.append(char16_t(0xD800 + (cp >> 10)));
            result.append(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            result.append(char16_t(cp));
        }
    }
    return result;
}

namespace {

std::string encodeUtf8(std::u16string_view text, bool keepEscapedBytes) {
    std::string out;
    out.reserve(text.size());
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (keepEscapedBytes && cp >= 0xDC80 && cp <= 0xDCFF) {
            out += static_cast<char>(cp - 0xDC00);
            continue;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

}  // namespace

std::string utf16ToUtf8(std::u16string_view text) { return encodeUtf8(text, false); }

std::string ZString::toUtf8() const { return encodeUtf8(view(), true); }

std::string ZString::toDisplayUtf8() const { return encodeUtf8(view(), false); }

ZString& ZString::append(const char16_t* text, int count) {
    if (!text || count <= 0) return *this;
    reserve(length_ + count);
    std::memmove(data_ + length_, text, sizeof(char16_t) * count);
    length_ += count;
    data_[length_] = 0;
    return *this;
}

ZString& ZString::append(const ZString& other) {
    // Copy first: appending a string to itself must read the old contents.
    if (&other == this) {
        ZString copy(other);
        return append(copy.data_, copy.length_);
    }
    return append(other.data_, other.length_);
}

ZString& ZString::append(const char16_t* text) { return append(text, lengthOf(text)); }

ZString& ZString::append(char16_t c) { return append(&c, 1); }

ZString& ZString::append(int32_t value) {
    std::string digits = std::to_string(value);
    for (char c : digits) append(static_cast<char16_t>(c));
    return *this;
}

ZString& ZString::append(uint32_t value) {
    std::string digits = std::to_string(value);
    for (char c : digits) append(static_cast<char16_t>(c));
    return *this;
}

ZString& ZString::append(bool value) { return append(value ? u"true" : u"false"); }

char16_t ZString::getAt(int index) const {
    if (index < 0 || index >= length_) throw std::out_of_range("ZString::getAt(int): Index out of range");
    return data_[index];
}

int ZString::find(const ZString& needle, int start) const {
    if (start < 0) start = 0;
    if (start > length_) start = length_;
    if (needle.isEmpty()) return start;
    size_t at = view().find(needle.view(), static_cast<size_t>(start));
    return at == std::u16string_view::npos ? -1 : static_cast<int>(at);
}

int ZString::find(char16_t c, int start) const {
    if (start < 0) start = 0;
    for (int i = start; i < length_; ++i) {
        if (data_[i] == c) return i;
    }
    return -1;
}

int ZString::findLast(char16_t c) const {
    for (int i = length_ - 1; i >= 0; --i) {
        if (data_[i] == c) return i;
    }
    return -1;
}

bool ZString::startsWith(const ZString& prefix) const { return view().starts_with(prefix.view()); }

bool ZString::endsWith(const ZString& suffix) const { return view().ends_with(suffix.view()); }

ZString ZString::substring(int start, int end) const {
    if (end < 0 || end > length_) end = length_;
    if (start < 0) start = 0;
    if (start >= end) return ZString();
    return ZString(data_ + start, end - start);
}

ZString& ZString::replace(int start, int end, const ZString& text) {
    if (start < 0) start = 0;
    if (start > length_) start = length_;
    if (end < start) end = start;
    if (end > length_) end = length_;
    ZString insert(text);  // text may alias this string
    int tail = length_ - end;
    int newLength = start + insert.length_ + tail;
    reserve(newLength);
    std::memmove(data_ + start + insert.length_, data_ + end, sizeof(char16_t) * tail);
    std::memcpy(data_ + start, insert.data_, sizeof(char16_t) * insert.length_);
    length_ = newLength;
    data_[length_] = 0;
    return *this;
}

ZString& ZString::trim() {
    int begin = 0;
    int end = length_;
    while (begin < end && isTrimSpace(data_[begin])) ++begin;
    while (end > begin && isTrimSpace(data_[end - 1])) --end;
    if (begin > 0) std::memmove(data_, data_ + begin, sizeof(char16_t) * (end - begin));
    length_ = end - begin;
    data_[length_] = 0;
    return *this;
}

ZString ZString::trimmed() const {
    ZString copy(*this);
    return copy.trim();
}

ZString ZString::toLower() const {
    ZString copy(*this);
    for (int i = 0; i < copy.length_; ++i) {
        if (copy.data_[i] >= u'A' && copy.data_[i] <= u'Z') copy.data_[i] += 32;
    }
    return copy;
}

bool ZString::equalsIgnoreCase(const ZString& other) const {
    return length_ == other.length_ && toLower() == other.toLower();
}

int ZString::countDigits() const {
    int n = 0;
    for (int i = 0; i < length_; ++i) {
        if (data_[i] >= u'0' && data_[i] <= u'9') ++n;
    }
    return n;
}

bool ZString::endsWithSeparator() const {
    if (length_ == 0) return false;
    return data_[length_ - 1] == u'/' || data_[length_ - 1] == u'\\';
}

double ZString::toDouble() const {
    std::string text = toUtf8();
    return strtod_l(text.c_str(), nullptr, cLocale());
}

ZString operator+(const ZString& a, const ZString& b) {
    ZString result;
    result.reserve(a.length() + b.length());
    result.append(a);
    result.append(b);
    return result;
}
