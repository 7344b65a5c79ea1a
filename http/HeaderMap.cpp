#include "http/HeaderMap.h"

#include <algorithm>

namespace http {
namespace {

char16_t lowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::vector<ZString> splitItems(const ZString& value) {
    std::vector<ZString> items;
    int start = 0;
    while (true) {
        const int comma = value.find(u',', start);
        items.push_back(value.substring(start, comma).trimmed());
        if (comma < 0) break;
        start = comma + 1;
    }
    return items;
}

}  // namespace

bool HeaderNameLess::operator()(const ZString& a, const ZString& b) const {
    const auto av = a.view();
    const auto bv = b.view();
    return std::lexicographical_compare(av.begin(), av.end(), bv.begin(), bv.end(),
                                        [](char16_t x, char16_t y) { return lowerAscii(x) < lowerAscii(y); });
}

std::vector<HeaderPair> parseRawHeaders(std::u16string_view text) {
    std::vector<HeaderPair> pairs;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(u"\r\n", start);
        if (end == std::u16string_view::npos) end = text.size();
        const std::u16string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty()) continue;
        if (isBlank(line[0])) {
            if (!pairs.empty()) pairs.back().second.append(u' ').append(ZString(line).trimmed());
            continue;
        }
        const size_t colon = line.find(u':');
        if (colon == std::u16string_view::npos || colon == 0) continue;
        pairs.emplace_back(ZString(line.substr(0, colon)).trimmed(), ZString(line.substr(colon + 1)).trimmed());
    }
    return pairs;
}

void addHeader(HeaderMap& headers, const ZString& name, const ZString& value) {
    auto it = headers.find(name);
    if (it == headers.end()) {
        headers.emplace(name, value);
        return;
    }
    if (it->second.isEmpty()) return;
    std::vector<ZString> items = splitItems(it->second);
    for (const ZString& item : items)
        if (item.equalsIgnoreCase(value)) return;
    items.push_back(value);
    ZString joined;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) joined.append(u", ");
        joined.append(items[i]);
    }
    it->second = joined;
}

}  // namespace http
