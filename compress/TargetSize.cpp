#include "compress/TargetSize.h"

#include <cmath>

#include "base/CLocale.h"
#include "base/NumberParse.h"
#include "compress/SaveNames.h"

namespace {

struct Unit {
    const char16_t* name;
    int64_t factor;
};

// Longest names first, so "MiB" is not read as "M" and "iB".
const Unit kUnits[] = {{u"kib", 1024},          {u"mib", 1024 * 1024},  {u"gib", 1024 * 1024 * 1024},
                       {u"kb", 1000},           {u"mb", 1000 * 1000},   {u"gb", 1000 * 1000 * 1000},
                       {u"k", 1000},            {u"m", 1000 * 1000},    {u"b", 1}};

ZString trimmed(const ZString& text) {
    int begin = 0;
    int end = text.length();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t')) ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t')) --end;
    return text.substring(begin, end);
}

}  // namespace

bool TargetSize::parse(const ZString& text, int64_t& bytes, ZString& error) {
    bytes = 0;
    ZString value = trimmed(text);
    if (value.isEmpty()) return true;
    // A decimal comma as German users write it.
    ZString number;
    int i = 0;
    for (; i < value.length() && ((value[i] >= u'0' && value[i] <= u'9') || value[i] == u'.' ||
                                  value[i] == u',');
         ++i)
        number.append(value[i] == u',' ? u'.' : value[i]);
    ZString unit = trimmed(value.substring(i)).toLower();
    size_t consumed = 0;
    double amount = parseDouble(number.view(), &consumed);
    int64_t factor = unit.isEmpty() ? 1 : 0;
    for (const Unit& known : kUnits)
        if (unit == known.name) factor = known.factor;
    if (number.isEmpty() || consumed != static_cast<size_t>(number.length()) || factor == 0) {
        error = u"'" + text + u"' is no size: give bytes, or a number with kB, MB, KiB or MiB";
        return false;
    }
    double total = std::floor(amount * static_cast<double>(factor));
    if (total < 1 || total > 1e15) {
        error = u"'" + text + u"' is no size a file can have";
        return false;
    }
    bytes = static_cast<int64_t>(total);
    return true;
}

int64_t TargetSize::ofSettings(const Props& settings) {
    auto it = settings.find(u"targetSize");
    if (it == settings.end()) return 0;
    int64_t bytes = 0;
    ZString error;
    return parse(it->second, bytes, error) ? bytes : 0;
}

bool TargetSize::binaryUnits(const Props& settings) {
    auto it = settings.find(u"targetSize");
    return it != settings.end() && it->second.toLower().find(u"ib") >= 0;
}

ZString TargetSize::format(int64_t bytes, bool binary) {
    double base = binary ? 1024 : 1000;
    static const char16_t* const decimalUnits[] = {u"bytes", u"kB", u"MB", u"GB"};
    static const char16_t* const binaryUnitNames[] = {u"bytes", u"KiB", u"MiB", u"GiB"};
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= base && unit < 3) {
        value /= base;
        ++unit;
    }
    const char16_t* name = binary ? binaryUnitNames[unit] : decimalUnits[unit];
    if (unit == 0) return ZString::format(u"%lld %s", static_cast<long long>(bytes), name);
    return withUserDecimalSeparator(ZString::format(u"%.1f %s", value, name));
}

ZString TargetSize::Result::chosen() const {
    if (quality < 0) return u"lossless";
    if (dpi <= 0) return ZString::format(u"images at their resolution, quality %d", quality);
    return ZString::format(u"%d dpi, quality %d", dpi, quality);
}

ZString TargetSize::Result::reason() const {
    if (reached || limit <= 0) return ZString();
    switch (why) {
    case Why::LosslessMode:
        return u"the lossless mode changes no image, and the lossless result is " +
               formatFileSize(bytes);
    case Why::NoGhostscript:
        return u"Ghostscript made no usable file, and the lossless result is " + formatFileSize(bytes);
    case Why::Protection:
        return u"protected again with the same password, the result is " + formatFileSize(bytes);
    default:
        return ZString::format(u"even at %d dpi and quality %d, the lowest the search may go, the "
                               u"file is ",
                               floorDpi, floorQuality) +
               formatFileSize(bytes);
    }
}
