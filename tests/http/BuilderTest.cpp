// Request bodies and header maps built in memory.
#include <gtest/gtest.h>

#include "http/BufferInput.h"
#include "http/FetchRequest.h"
#include "http/FormDataRequestBuilder.h"
#include "http/GetRequestBuilder.h"
#include "http/HeaderMap.h"

namespace {

using namespace http;

std::string bodyOf(FetchRequest& request) {
    std::string bytes;
    char buffer[7];  // small on purpose: the body comes in pieces
    for (int64_t n; (n = request.content->read(buffer, sizeof buffer)) >= 0;) bytes.append(buffer, n);
    return bytes;
}

TEST(BuilderTest, BodiesFromDataAndForms) {
    GetRequestBuilder pairs;
    pairs.addAll({{u"a", u"x y"}, {u"b", u"\u00fc"}});
    EXPECT_EQ(pairs.body(), "a=x%20y&b=%c3%bc");
    EXPECT_EQ(pairs.contentType(), u"application/x-www-form-urlencoded; charset=\"UTF-8\"");
    pairs.setCharset(u"ISO-8859-1");
    pairs.add(u"c", u"\u00fc");
    EXPECT_EQ(pairs.body(), "a=x%20y&b=%c3%bc&c=%fc");

    FormDataRequestBuilder form, other;
    EXPECT_NE(form.boundary(), other.boundary());
    EXPECT_EQ(form.boundary().length(), 15 + 16);
    form.add(u"name", u"\u00fc");
    form.finish();
    form.finish();
    const std::string b = form.boundary().toUtf8();
    EXPECT_EQ(form.body(), "--" + b + "\r\nContent-Disposition: form-data; name=\"name\"\r\n" +
                               "Content-Type: text/plain; charset=UTF-8\r\n\r\n\xc3\xbc\r\n--" + b + "--\r\n");
    EXPECT_EQ(form.contentType(), u"multipart/form-data; boundary=\"" + form.boundary() + u"\"");

    struct Case {
        const char16_t* data;
        const char16_t* encoding;
        const char16_t* charset;
        std::string body;  // or the error message
        bool ok;
    } cases[] = {
        {u"414243zz44", u"hex", u"", "ABC", true},
        {u"6a6B", u"hex", u"", "jk", true},
        {u"aGVsbG8=", u"base64", u"", "hello", true},
        {u"\u00fc", u"", u"utf8", "\xc3\xbc", true},
        {u"\u00fc", u"", u"iso-8859-1", "\xfc", true},
        {u"abc", u"HEX", u"", "Unknown data transfer encoding: HEX", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        FetchRequest request;
        request.url = u"http://host/";
        request.data = c.data;
        request.dataEncoding = c.encoding;
        request.charset = c.charset;
        ASSERT_EQ(prepareFetch(request), c.ok);
        if (c.ok) {
            EXPECT_EQ(bodyOf(request), c.body);
            EXPECT_TRUE(prepareFetch(request));  // once only
        } else {
            EXPECT_EQ(request.errorMessage.toUtf8(), c.body);
        }
    }
    FetchRequest utf8;
    utf8.url = u"http://host/";
    utf8.data = u"x";
    utf8.charset = u"utf8";
    ASSERT_TRUE(prepareFetch(utf8));
    EXPECT_EQ(utf8.charset, u"UTF-8");
}

TEST(BuilderTest, QueryJoining) {
    struct Case {
        const char16_t* url;
        const char16_t* expected;
    } cases[] = {
        {u"http://h/p", u"http://h/p?k=v"},
        {u"http://h/p?a=1", u"http://h/p?a=1&k=v"},
        {u"http://h/p?a=1&", u"http://h/p?a=1&k=v"},
        {u"http://h:8080/p?a=1?", u"http://h:8080/p?a=1?k=v"},
    };
    for (const Case& c : cases) {
        FetchRequest request;
        request.url = c.url;
        request.method = u"get";
        request.formValues = {{u"k", u"v"}};
        ASSERT_TRUE(prepareFetch(request));
        EXPECT_EQ(request.url, c.expected);
        EXPECT_TRUE(request.urlChanged);
        EXPECT_EQ(request.method, u"GET");
        EXPECT_EQ(request.content, nullptr);
    }
}

TEST(BuilderTest, RawHeadersAndTheMergeRule) {
    const auto pairs = parseRawHeaders(
        u"HTTP/1.1 200 OK\r\nA: 1\r\n  more\r\n\tand more\r\n:bad\r\nno colon\r\nB:2\r\nb: 3, x\r\nC:\r\nc: 9\r\n"
        u"a: 1 more and more\r\nD: y\r\nd: Y\r\n\r\n");
    HeaderMap headers;
    std::string dump;
    for (const auto& [name, value] : pairs) {
        dump += name.toUtf8() + "=" + value.toUtf8() + "|";
        addHeader(headers, name, value);
    }
    EXPECT_EQ(dump, "A=1 more and more|B=2|b=3, x|C=|c=9|a=1 more and more|D=y|d=Y|");
    std::string merged;
    for (const auto& [name, value] : headers) merged += name.toUtf8() + "=" + value.toUtf8() + "|";
    EXPECT_EQ(merged, "A=1 more and more|B=2, 3, x|C=|D=y|");
}

}  // namespace
