#include "base/Url.h"

#include <string_view>

#include "base/NumberParse.h"

namespace {

using Text = std::u16string_view;

size_t findFirstOf(Text t, size_t from, Text set) {
    size_t found = t.find_first_of(set, from);
    return found == Text::npos ? t.size() : found;
}

int32_t defaultPort(const ZString& scheme) {
    if (scheme == u"http") return 80;
    if (scheme == u"https") return 443;
    if (scheme == u"ftp") return 21;
    return -1;
}

}  // namespace

Url Url::parse(const ZString& text) {
    Url url;
    const ZString trimmedText = text.trimmed();
    const Text all = trimmedText.view();
    Text rest = all;
    size_t schemeEnd = all.find(u"://");
    if (schemeEnd != Text::npos) {
        url.scheme = ZString(all.substr(0, schemeEnd)).toLower();
        rest = all.substr(schemeEnd + 3);
    }

    size_t at = rest.find(u'@');
    if (at != Text::npos) {
        Text userInfo = rest.substr(0, at);
        size_t colon = userInfo.find(u':');
        url.user = ZString(userInfo.substr(0, colon));
        if (colon != Text::npos) url.password = ZString(userInfo.substr(colon + 1));
        rest = rest.substr(at + 1);
    }

    size_t p = findFirstOf(rest, 0, u":/?&#");
    url.host = ZString(rest.substr(0, p)).toLower();

    if (p < rest.size() && rest[p] == u':') {
        size_t portStart = p + 1;
        p = findFirstOf(rest, portStart, u"/?&#");
        Text port = rest.substr(portStart, p - portStart);
        bool digitsOnly = !port.empty() && port.size() <= 5;
        for (char16_t c : port) digitsOnly = digitsOnly && c >= u'0' && c <= u'9';
        if (!digitsOnly) throw std::runtime_error("Port in Url invalid");
        url.port = parseLong(port, 0);
    } else {
        url.port = defaultPort(url.scheme);
    }

    if (p < rest.size() && rest[p] == u'/') {
        size_t pathEnd = findFirstOf(rest, p, u"?&#");
        url.path = ZString(rest.substr(p, pathEnd - p));
        p = pathEnd;
    }
    if (p < rest.size() && (rest[p] == u'?' || rest[p] == u'&')) {
        size_t queryEnd = findFirstOf(rest, p + 1, u"#");
        url.query = ZString(rest.substr(p + 1, queryEnd - p - 1));
        p = queryEnd;
    }
    if (p < rest.size() && rest[p] == u'#') url.fragment = ZString(rest.substr(p + 1));
    return url;
}

ZString Url::toString() const {
    ZString out;
    if (!scheme.isEmpty()) out.append(scheme).append(u"://");
    out.append(user);
    if (!password.isEmpty()) out.append(u':').append(password);
    if (!user.isEmpty()) out.append(u'@');
    out.append(host);
    const bool defaultForScheme = (port == 80 && scheme == u"http") || (port == 443 && scheme == u"https");
    if (port != -1 && !defaultForScheme) out.append(u':').append(port);
    if (!path.isEmpty()) {
        // With no authority the path is written as it is, so "file:///x"
        // keeps its three slashes.
        const bool hasAuthority = out.length() > 0 && !out.endsWith(u"://");
        if (hasAuthority) {
            while (out.endsWith(u"/")) out.replace(out.length() - 1, out.length(), ZString());
            int skip = 0;
            while (skip < path.length() && path[skip] == u'/') ++skip;
            out.append(u'/').append(path.substring(skip));
        } else {
            out.append(path);
        }
    }
    if (!query.isEmpty()) out.append(u'?').append(query);
    if (!fragment.isEmpty()) out.append(u'#').append(fragment);
    return out;
}

ZString urlOrigin(const ZString& address) {
    const Text all = address.view();
    const size_t host = all.find(u"://");
    if (host == Text::npos) return ZString();
    return ZString(all.substr(0, findFirstOf(all, host + 3, u"/?#")));
}
