#include <gtest/gtest.h>

#include <stdexcept>

#include "base/Url.h"

TEST(UrlTest, ParsesEveryPart) {
    Url url = Url::parse(u"  HTTP://Server:8080/a/b?x=1#top ");
    EXPECT_EQ(url.scheme, u"http");
    EXPECT_EQ(url.host, u"server");
    EXPECT_EQ(url.port, 8080);
    EXPECT_EQ(url.path, u"/a/b");
    EXPECT_EQ(url.query, u"x=1");
    EXPECT_EQ(url.fragment, u"top");
    EXPECT_TRUE(url.user.isEmpty());
}

TEST(UrlTest, DefaultPortsComeFromTheScheme) {
    EXPECT_EQ(Url::parse(u"http://h/").port, 80);
    EXPECT_EQ(Url::parse(u"HTTPS://h").port, 443);
    EXPECT_EQ(Url::parse(u"ftp://h").port, 21);
    EXPECT_EQ(Url::parse(u"res:///ui.xhtml").port, -1);
    EXPECT_EQ(Url::parse(u"http://h:010/").port, 8) << "a leading zero reads octal";
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
    EXPECT_EQ(Url::parse(u"http://h:65535").port, 65535);
}

TEST(UrlTest, UserInformationIsSplitAtTheFirstColon) {
    Url url = Url::parse(u"ftp://Me:p:w@Host.example:2121/f");
    EXPECT_EQ(url.user, u"Me");
    EXPECT_EQ(url.password, u"p:w");
    EXPECT_EQ(url.host, u"host.example");
    EXPECT_EQ(url.port, 2121);
    Url userOnly = Url::parse(u"http://me@h/");
    EXPECT_EQ(userOnly.user, u"me");
    EXPECT_TRUE(userOnly.password.isEmpty());
}

TEST(UrlTest, QueryMayStartWithAmpersandAndPathsMayBeMissing) {
    Url url = Url::parse(u"http://h&a=1&b=2#f#g");
    EXPECT_TRUE(url.path.isEmpty());
    EXPECT_EQ(url.query, u"a=1&b=2");
    EXPECT_EQ(url.fragment, u"f#g");
    Url relative = Url::parse(u"dir/page.xhtml");
    EXPECT_TRUE(relative.scheme.isEmpty());
    EXPECT_EQ(relative.host, u"dir");
    EXPECT_EQ(relative.path, u"/page.xhtml");
    Url file = Url::parse(u"file:///tmp/a b.pdf");
    EXPECT_TRUE(file.host.isEmpty());
    EXPECT_EQ(file.path, u"/tmp/a b.pdf");
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
