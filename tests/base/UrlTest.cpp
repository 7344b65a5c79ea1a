#include <gtest/gtest.h>

#include <stdexcept>

#include "base/Url.h"

// Each part as parsed, joined "scheme|user|password|host|port|path|query|fragment":
// names lower-cased, default ports from the scheme (a leading zero reads octal),
// user information split at the first colon, a query may start with "&".
TEST(UrlTest, ParsesEveryPart) {
    const struct {
        const char16_t* address;
        const char* parts;
    } rows[] = {
        {u"  HTTP://Server:8080/a/b?x=1#top ", "http|||server|8080|/a/b|x=1|top"},
        {u"http://h/", "http|||h|80|/||"},
        {u"HTTPS://h", "https|||h|443|||"},
        {u"ftp://h", "ftp|||h|21|||"},
        {u"res:///ui.xhtml", "res||||-1|/ui.xhtml||"},
        {u"http://h:010/", "http|||h|8|/||"},
        {u"http://h:65535", "http|||h|65535|||"},
        {u"ftp://Me:p:w@Host.example:2121/f", "ftp|Me|p:w|host.example|2121|/f||"},
        {u"http://me@h/", "http|me||h|80|/||"},
        {u"http://h&a=1&b=2#f#g", "http|||h|80||a=1&b=2|f#g"},
        {u"dir/page.xhtml", "|||dir|-1|/page.xhtml||"},
        {u"file:///tmp/a b.pdf", "file||||-1|/tmp/a b.pdf||"},
    };
    for (const auto& row : rows) {
        const Url url = Url::parse(row.address);
        const ZString parts = url.scheme + u"|" + url.user + u"|" + url.password + u"|" + url.host + u"|" +
                              ZString::format(u"%d", url.port) + u"|" + url.path + u"|" + url.query + u"|" +
                              url.fragment;
        EXPECT_EQ(parts.toUtf8(), row.parts) << ZString(row.address).toUtf8();
    }
}

TEST(UrlTest, BadPortsThrow) {
    for (const char16_t* text : {u"http://h:x/", u"http://h:/", u"http://h:123456/", u"http://h:8a", u"http://h:-1"}) {
        try {
            Url::parse(text);
            ADD_FAILURE() << "no exception for " << ZString(text).toUtf8();
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), "Port in Url invalid");
        }
    }
}

TEST(UrlTest, WritesBackWithoutDefaultPorts) {
    EXPECT_EQ(Url::parse(u"HTTP://Server:8080/a/b?x=1#top").toString(), u"http://server:8080/a/b?x=1#top");
    EXPECT_EQ(Url::parse(u"http://server:80/a").toString(), u"http://server/a");
    EXPECT_EQ(Url::parse(u"https://server:443").toString(), u"https://server");
    EXPECT_EQ(Url::parse(u"https://server:80/").toString(), u"https://server:80/");
    EXPECT_EQ(Url::parse(u"ftp://u:p@h/x").toString(), u"ftp://u:p@h:21/x");
    EXPECT_EQ(Url::parse(u"file:///tmp/x").toString(), u"file:///tmp/x");
    Url built;
    built.scheme = u"http";
    built.host = u"h";
    built.path = u"a";
    EXPECT_EQ(built.toString(), u"http://h/a") << "exactly one slash joins host and path";
    built.path = u"//a";
    EXPECT_EQ(built.toString(), u"http://h/a");
}

// The origin is compared as text with the allowed ones: written as given,
// cut where the host part ends, whatever follows it.
TEST(UrlTest, OriginIsTheTextBeforeThePath) {
    const struct {
        const char16_t* address;
        const char16_t* origin;
    } kCases[] = {
        {u"https://Host.example:8443/a/b?c#d", u"https://Host.example:8443"},
        {u"http://h?next=http://other/", u"http://h"},
        {u"http://h#/x", u"http://h"},
        {u"http://allowed.example.evil.test/", u"http://allowed.example.evil.test"},
        {u"http://user@allowed.example/", u"http://user@allowed.example"},
        {u"varto://res/banner.html", u"varto://res"},
        {u"http://h", u"http://h"},
        {u"about:blank", u""},
        {u"/relative/path", u""},
    };
    for (const auto& c : kCases) EXPECT_EQ(urlOrigin(c.address), c.origin) << ZString(c.address).toUtf8();
}
