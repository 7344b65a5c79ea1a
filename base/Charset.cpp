#include "base/Charset.h"

#include <bit>
#include <cstring>
#include <cerrno>
#include <iconv.h>
#include <memory>

#include "base/CHandle.h"

namespace {

constexpr CharsetEntry kCharsets[] = {
    {u"ansi", 0},
    {u"utf-8", 65001},
    {u"ascii", 20127},
    {u"us-ascii", 20127},
    {u"latin1", 28591},
    {u"latin2", 28592},
    {u"ISO-8859-1", 28591},
    {u"ISO-8859-2", 28592},
    {u"iso-8859-3", 28593},
    {u"iso-8859-4", 28594},
    {u"iso-8859-5", 28595},
    {u"iso-8859-6", 28596},
    {u"iso-8859-7", 28597},
    {u"iso-8859-8", 28598},
    {u"iso-8859-9", 28599},
    {u"iso-8859-13", 28603},
    {u"iso-8859-15", 28605},
    {u"Windows-1250", 1250},
    {u"Windows-1251", 1251},
    {u"Windows-1252", 1252},
    {u"Windows-1253", 1253},
    {u"Windows-1254", 1254},
    {u"Windows-1255", 1255},
    {u"Windows-1256", 1256},
    {u"Windows-1257", 1257},
    {u"Windows-1258", 1258},
    {u"Shift-JIS", 932},
    {u"EUC-JP", 20932},
    {u"GB2312", 936},
    {u"EUC-KR", 51949},
};

struct CodePageName {
    int32_t codePage;
    const char* iconvName;
};

// Code page 936 is GBK on the systems these names come from, a superset of
// GB2312; 932 likewise is the CP932 flavour of Shift-JIS.
constexpr CodePageName kIconvNames[] = {
    {0, "WINDOWS-1252"},        {65001, "UTF-8"},           {20127, "ASCII"},
    {28591, "ISO-8859-1"},      {28592, "ISO-8859-2"},      {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"},      {28595, "ISO-8859-5"},      {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"},      {28598, "ISO-8859-8"},      {28599, "ISO-8859-9"},
    {28603, "ISO-8859-13"},     {28605, "ISO-8859-15"},     {1250, "WINDOWS-1250"},
    {1251, "WINDOWS-1251"},     {1252, "WINDOWS-1252"},     {1253, "WINDOWS-1253"},
    {1254, "WINDOWS-1254"},     {1255, "WINDOWS-1255"},     {1256, "WINDOWS-1256"},
    {1257, "WINDOWS-1257"},     {1258, "WINDOWS-1258"},     {932, "CP932"},
    {20932, "EUC-JP"},          {936, "CP936"},             {51949, "EUC-KR"},
};

const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

using IconvHandle = CHandle<void, iconv_close>;

IconvHandle openIconv(const char* to, const char* from) {
    iconv_t handle = iconv_open(to, from);
    if (handle == reinterpret_cast<iconv_t>(-1)) return nullptr;
    return IconvHandle(handle);
}

char16_t lowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

std::u16string normalized(std::u16string_view name) {
    std::u16string out;
    for (char16_t c : name) {
        if (c != u'-' && c != u'_') out.push_back(lowerAscii(c));
    }
    return out;
}

// Runs iconv over the whole input; `onInvalid` is called at an input
// sequence the conversion cannot take and returns how many input bytes to
// skip, after appending its replacement to the output itself.
template <class OnInvalid>
void convertAll(iconv_t handle, const char* input, size_t inputLength, std::string& output, OnInvalid&& onInvalid) {
    char* in = const_cast<char*>(input);
    size_t inLeft = inputLength;
    char buffer[4096];
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        size_t result = iconv(handle, &in, &inLeft, &out, &outLeft);
        output.append(buffer, static_cast<size_t>(out - buffer));
        if (result != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) continue;
        size_t skip = onInvalid(in, inLeft, errno == EINVAL);
        if (skip > inLeft) skip = inLeft;
        in += skip;
        inLeft -= skip;
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
    }
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    iconv(handle, nullptr, nullptr, &out, &outLeft);
    output.append(buffer, static_cast<size_t>(out - buffer));
}

void appendUnit(std::string& output, char16_t unit) {
    char bytes[2];
    std::memcpy(bytes, &unit, 2);
    output.append(bytes, 2);
}

}  // namespace

std::span<const CharsetEntry> charsetTable() { return kCharsets; }

int32_t codePageForCharset(const ZString& name, int32_t fallback) {
    const std::u16string wanted = normalized(name.view());
    for (const CharsetEntry& entry : kCharsets) {
        if (normalized(entry.name) == wanted) return entry.codePage;
    }
    return fallback;
}

const char* iconvNameForCodePage(int32_t codePage) {
    for (const CodePageName& entry : kIconvNames) {
        if (entry.codePage == codePage) return entry.iconvName;
    }
    return nullptr;
}

bool decodeCodePage(std::string_view bytes, int32_t codePage, ZString& out) {
    const char* name = iconvNameForCodePage(codePage);
    if (!name) return false;
    IconvHandle handle = openIconv(kUtf16, name);
    if (!handle) return false;
    std::string units;
    units.reserve(bytes.size() * 2);
    convertAll(static_cast<iconv_t>(handle.get()), bytes.data(), bytes.size(), units,
               [&](const char*, size_t left, bool incomplete) -> size_t {
                   appendUnit(units, 0xFFFD);
                   return incomplete ? left : 1;
               });
    out = ZString(std::u16string_view(reinterpret_cast<const char16_t*>(units.data()), units.size() / 2));
    return true;
}

bool encodeCodePage(const ZString& text, int32_t codePage, std::string& out) {
    const char* name = iconvNameForCodePage(codePage);
    if (!name) return false;
    IconvHandle handle = openIconv(name, kUtf16);
    if (!handle) return false;
    std::string result;
    convertAll(static_cast<iconv_t>(handle.get()), reinterpret_cast<const char*>(text.data()),
               static_cast<size_t>(text.length()) * 2, result, [&](const char* at, size_t left, bool) -> size_t {
                   result.push_back('?');
                   if (left >= 4) {
                       char16_t first, second;
                       std::memcpy(&first, at, 2);
                       std::memcpy(&second, at + 2, 2);
                       if (first >= 0xD800 && first <= 0xDBFF && second >= 0xDC00 && second <= 0xDFFF) return 4;
                   }
                   return 2;
               });
    out = std::move(result);
    return true;
}
