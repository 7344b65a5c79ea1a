// The HTTP client against a real server on loopback: what a caller of
// runFetch sees for each kind of response, upload and failure.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "TestServer.h"
#include "http/BufferInput.h"
#include "http/BufferOutput.h"
#include "http/ConnectionFlags.h"
#include "http/FetchRequest.h"
#include "http/Request.h"

namespace {

using namespace http;

const std::string kText = [] {
    std::string text;
    for (int i = 0; i < 20; ++i) text += "The quick brown fox jumps over the lazy dog.\n";
    return text;
}();

// Proxies from the environment must not catch loopback traffic.
const bool kNoProxy = [] { return setenv("no_proxy", "127.0.0.1,localhost", 1) == 0; }();

struct Fetched {
    bool ok;
    FetchRequest request;
    BufferOutput output;
};

std::unique_ptr<Fetched> fetch(const std::string& url, uint32_t flags = 0, int64_t maxSize = -1,
                               std::function<void(FetchRequest&)> adjust = nullptr) {
    auto result = std::make_unique<Fetched>(Fetched{false, {}, BufferOutput(maxSize)});
    result->request.url = ZString::fromUtf8(url);
    result->request.flags = flags;
    result->request.output = &result->output;
    if (adjust) adjust(result->request);
    result->ok = runFetch(result->request);
    return result;
}

std::string header(const HeaderMap& headers, const char16_t* name) {
    auto it = headers.find(name);
    return it == headers.end() ? "<none>" : it->second.toUtf8();
}

TEST(FetchTest, ResponsesAsTheCallerSeesThem) {
    const TestServer& server = TestServer::get();
    const uint32_t insecure = kFlagIgnoreCertCnInvalid | kFlagIgnoreCertDateInvalid;
    struct Case {
        std::string url;
        uint32_t flags;
        bool decode;
        int32_t status;
        std::string body;
        std::string encoding;
        std::string redirected;
    } cases[] = {
        {server.http("/text"), 0, true, 200, kText, "", ""},
        {server.http("/gzip"), 0, true, 200, kText, "", ""},
        {server.http("/deflate"), 0, true, 200, kText, "", ""},
        {server.http("/unknown-coding"), 0, true, 200, std::string("\0\1 not decoded", 14), "x-unknown", ""},
        {server.http("/empty"), 0, true, 200, "", "", ""},
        {server.http("/redirect"), 0, true, 200, kText, "", server.http("/text")},
        {server.http("/redirect"), kFlagNoAutoRedirect, true, 302, "moved", "", ""},
        {server.http("/404"), 0, true, 404, "no such page", "", ""},
        {server.http("/500"), 0, true, 500, "server broke", "", ""},
        {server.https("/gzip"), insecure, true, 200, kText, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        auto result = fetch(c.url, c.flags);
        ASSERT_TRUE(result->ok) << result->request.errorMessage.toUtf8();
        EXPECT_EQ(result->request.statusCode, c.status);
        EXPECT_EQ(result->output.bytes(), c.body);
        EXPECT_EQ(result->request.contentEncoding.toUtf8(), c.encoding);
        EXPECT_EQ(result->request.redirectedUrl.toUtf8(), c.redirected);
        EXPECT_EQ(result->request.serverAddress, u"127.0.0.1");
    }

    // Undecoded on request: the gzip bytes as sent, and the coding named.
    auto raw = fetch(server.http("/gzip"), 0, -1, [](FetchRequest& r) { r.decodeContent = false; });
    EXPECT_EQ(raw->output.bytes().substr(0, 2), "\x1f\x8b");
    EXPECT_EQ(raw->request.contentEncoding, u"gzip");
    // Not followed: the target is in the headers; repeated headers merge.
    auto redirect = fetch(server.http("/redirect"), kFlagNoAutoRedirect);
    EXPECT_EQ(header(redirect->request.responseHeaders, u"location"), "/text");
    auto folded = fetch(server.http("/folded"));
    EXPECT_EQ(header(folded->request.responseHeaders, u"X-Multi"), "one, two");
    // The proxy comes from the environment, as for curl.
    setenv("http_proxy", server.http("").c_str(), 1);
    auto proxied = fetch("http://unused.invalid/x");
    unsetenv("http_proxy");
    EXPECT_EQ(proxied->output.bytes(), "proxied http://unused.invalid/x");
}

TEST(FetchTest, FailuresCarryTheFixedTextAndTheTransportCode) {
    const TestServer& server = TestServer::get();
    struct Case {
        std::string url;
        uint32_t flags;
        uint32_t timeoutMs;
        std::string message;
        int32_t code;
        std::function<void(FetchRequest&)> adjust = nullptr;
    } cases[] = {
        {"http://127.0.0.1:" + std::to_string(server.closedPort()) + "/", 0, 5000, "HttpSendRequestEx error", 7},
        {server.https("/text"), 0, 5000, "HttpSendRequestEx error", 60},
        {server.https("/text"), kFlagIgnoreCertDateInvalid, 5000, "HttpSendRequestEx error", 60},
        {server.http("/hang"), 0, 400, "HttpEndRequest error", 28},
        {"", 0, 5000, "Url is empty", 0},
        {server.http("/echo"), 0, 5000, "Error sending content", 42,
         [](FetchRequest& r) {
             // A source that promises more than it has.
             struct Short : BufferInput {
                 using BufferInput::BufferInput;
                 int64_t size() override { return 10; }
             };
             r.method = u"POST";
             r.ownedContent = std::make_unique<Short>("abc");
             r.content = r.ownedContent.get();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const auto start = std::chrono::steady_clock::now();
        auto result = fetch(c.url, c.flags, -1, [&](FetchRequest& r) {
            r.receiveTimeoutMs = r.sendTimeoutMs = c.timeoutMs;
            if (c.adjust) c.adjust(r);
        });
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_FALSE(result->ok);
        EXPECT_TRUE(result->request.failed);
        EXPECT_EQ(result->request.errorMessage.toUtf8(), c.message);
        EXPECT_EQ(result->request.errorCode, c.code);
        EXPECT_EQ(result->request.statusCode, -1);
        if (c.code == 28) {
            EXPECT_GE(took, std::chrono::milliseconds(c.timeoutMs));
            EXPECT_LT(took, std::chrono::milliseconds(c.timeoutMs + 1500));
        }
    }
}

TEST(FetchTest, RequestsArriveAsDesigned) {
    const TestServer& server = TestServer::get();
    const std::string host = "header Host: 127.0.0.1:" + std::to_string(server.httpPort()) + "\n";
    const std::string mib(1 << 20, 'a');
    struct Case {
        const char* name;
        std::function<void(FetchRequest&)> adjust;
        std::vector<std::string> lines;    // must appear
        std::vector<std::string> absent;   // must not
    } cases[] = {
        {"plain GET",
         [](FetchRequest&) {},
         {"method GET\n", host, "header Content-Length: 0\n", "header Accept: */*\n", "body-length 0\n"},
         {"Transfer-Encoding", "Content-Type"}},
        {"chunked empty body",
         [](FetchRequest& r) {
             r.method = u"post";
             r.ownedContent = std::make_unique<BufferInput>(std::string(), false);
             r.content = r.ownedContent.get();
         },
         {"method POST\n", "header Transfer-Encoding: chunked\n", "body-length 0\n", "chunks 1 last 0\n"},
         {"Content-Length"}},
        {"chunked 1 MiB",
         [&](FetchRequest& r) {
             r.method = u"PUT";
             r.ownedContent = std::make_unique<BufferInput>(mib, false);
             r.content = r.ownedContent.get();
         },
         {"method PUT\n", "body-length 1048576\n", "body-md5 7202826a7791073fe2787f0c94603278\n",
          "chunks 257 last 0\n"},
         {"Content-Length", "Expect"}},
        {"form values on a GET go into the query",
         [](FetchRequest& r) {
             r.url += u"?x=1&";
             r.formValues = {{u"a", u"x y"}, {u"b", u"\u00fc"}};
         },
         {"path /echo?x=1&a=x%20y&b=%c3%bc\n"},
         {}},
        {"a body sent again after a 307 redirect",
         [](FetchRequest& r) {
             r.url = r.url.substring(0, r.url.length() - 5) + u"/redirect307";
             r.method = u"POST";
             r.data = u"again";
         },
         {"method POST\n", "path /echo\n", "body again\n"},
         {}},
        {"URL-encoded body",
         [](FetchRequest& r) {
             r.method = u"POST";
             r.formValues = {{u"a", u"x y"}};
         },
         {"header Content-Type: application/x-www-form-urlencoded; charset=\"UTF-8\"\n", "header Content-Length: 7\n",
          "body a=x%20y\n"},
         {}},
        {"hex data and own headers; a blank user agent becomes our name",
         [](FetchRequest& r) {
             r.method = u"POST";
             r.data = u"414243zz44";
             r.dataEncoding = u"hex";
             r.headers[u"User-Agent"] = u"   ";
             r.headers[u"Accept-Language"] = u"fr";
             r.headers[u"X-Test"] = u"yes";
         },
         {"body ABC\n", "header User-Agent: http_tests\n", "header Accept-Language: fr\n", "header X-Test: yes\n"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto result = fetch(server.http("/echo"), 0, -1, c.adjust);
        ASSERT_TRUE(result->ok) << result->request.errorMessage.toUtf8();
        const std::string echo = result->output.bytes();  // what arrived, one "key value" line each
        for (const std::string& line : c.lines) EXPECT_NE(echo.find(line), std::string::npos) << line << "\n" << echo;
        for (const std::string& word : c.absent) EXPECT_EQ(echo.find(word), std::string::npos) << word << "\n" << echo;
    }

    // Multipart: the designed part layout, and the headers as sent come back.
    auto form = fetch(server.http("/echo"), 0, -1, [](FetchRequest& r) {
        r.method = u"POST";
        r.contentType = u"form";
        r.formValues = {{u"k", u"v"}};
    });
    const ZString type = form->request.contentType;
    ASSERT_TRUE(type.startsWith(u"multipart/form-data; boundary=\"------BOUNDARY-")) << type.toUtf8();
    EXPECT_NE(form->output.bytes().find("header Content-Type: " + type.toUtf8()), std::string::npos);
    EXPECT_EQ(header(form->request.requestHeaders, u"content-type"), type.toUtf8());
}

TEST(FetchTest, PreparedHeadersFollowTheLocaleAndTheUrl) {
    struct Case {
        const char* url;
        const char* lcAll;
        std::string host;
        std::string language;
    } cases[] = {
        {"https://unused.invalid/", "de_DE.UTF-8@euro", "unused.invalid:443", "de-DE"},
        {"http://unused.invalid/", "pt", "unused.invalid", "pt"},
        {"http://unused.invalid:8080/", "C", "unused.invalid:8080", "*"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        setenv("LC_ALL", c.lcAll, 1);
        Request request(Url::parse(ZString::fromUtf8(c.url)), 0);
        // Sent nowhere: a refused method still prepares nothing, an empty host
        // fails before any connection, so use a short send that fails fast.
        request.setSendTimeout(1);
        request.setReceiveTimeout(1);
        request.send(u"GET");
        EXPECT_EQ(request.headers()[u"Host"].toUtf8(), c.host);
        EXPECT_EQ(request.headers()[u"Accept-Language"].toUtf8(), c.language);
        EXPECT_EQ((request.flags() & kFlagSecure) != 0, std::string(c.url).starts_with("https"));
    }
    unsetenv("LC_ALL");
    Request request(Url::parse(u"http://unused.invalid/"), 0);
    EXPECT_FALSE(request.send(u""));
    EXPECT_EQ(request.errorMessage(), u"Method must not be empty");
}

// A body beyond the size limit is cut; progress comes in stages, in order.
TEST(FetchTest, SizeLimitAndProgressStages) {
    struct Recorder : ProgressListener {
        std::string stages;
        int64_t lastReceived = -1, lastTotal = -2;
        void stage(int32_t s) override { stages += std::to_string(s); }
        void responseProgress(int64_t received, int64_t total) override {
            lastReceived = received;
            lastTotal = total;
        }
    } recorder;
    recorder.receiveIntervalMs = 1000000;  // only the first and the final report
    auto cut = fetch(TestServer::get().http("/big"), 0, 1000);
    ASSERT_TRUE(cut->ok);
    EXPECT_EQ(cut->output.bytes(), std::string(1000, 'x'));
    EXPECT_TRUE(cut->output.truncated());
    EXPECT_EQ(cut->output.expectedSize(), 1 << 20);
    auto result = fetch(TestServer::get().http("/big"), 0, -1, [&](FetchRequest& r) { r.listener = &recorder; });
    ASSERT_TRUE(result->ok);
    EXPECT_EQ(recorder.stages, "12345");
    EXPECT_EQ(recorder.lastReceived, 1 << 20);
    EXPECT_EQ(recorder.lastTotal, 1 << 20);
}

}  // namespace

// Quitting aborts fetches: one waiting for a server that never answers ends
// at once, and an abort that comes before the exchange keeps it from starting.
TEST(FetchTest, AbortEndsAFetchInEveryPhase) {
    const TestServer& server = TestServer::get();
    FetchRequest request;
    request.url = ZString::fromUtf8(server.http("/hang"));
    BufferOutput output(1000);
    request.output = &output;
    std::atomic<bool> done{false};
    std::thread fetching([&] {
        runFetch(request);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // connected and waiting
    EXPECT_FALSE(done);
    const auto start = std::chrono::steady_clock::now();
    abortFetch(request);
    fetching.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));  // the server never answers
    EXPECT_TRUE(request.failed);

    FetchRequest early;
    early.url = ZString::fromUtf8(server.http("/text"));
    abortFetch(early);
    EXPECT_FALSE(runFetch(early));
    EXPECT_TRUE(early.failed);
}
