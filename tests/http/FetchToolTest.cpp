// varto-fetch run as a user runs it: its stdout, stderr and exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestServer.h"
#include "tests/support/TestSupport.h"

namespace {

testsupport::ProgramRun runFetchTool(std::vector<std::string> args) {
    args.insert(args.begin(), testsupport::binPath("varto-fetch"));
    return testsupport::runProgram(args);
}

TEST(FetchToolTest, OutputAndExitStatus) {
    setenv("no_proxy", "127.0.0.1", 1);
    const TestServer& server = TestServer::get();
    struct Case {
        std::vector<std::string> args;
        uint32_t exit;
        std::string out;
        std::vector<std::string> err;
    } cases[] = {
        {{server.http("/gzip"), "--max-size", "9"}, 0, "The quick", {"status 200\n", "header Content-Encoding: gzip\n"}},
        {{"--max-size", "0", server.http("/text")}, 0, "", {"status 200\n", "header Content-Type: text/plain\n"}},
        {{"--no-decode", server.http("/deflate")}, 0, "\x78\x9c", {"status 200\n"}},
        {{"--no-redirect", server.http("/redirect")}, 0, "moved", {"status 302\n", "header Location: /text\n"}},
        {{"-X", "PUT", "--chunked", "--data", "aGk=", "--data-encoding", "base64", "-H", "X-A: b", server.http("/echo")},
         0,
         "method PUT\n",
         {"status 200\n"}},
        {{"--insecure", server.https("/404")}, 0, "no such page", {"status 404\n"}},
        {{server.https("/text")}, 1, "", {"status -1\n", "error HttpSendRequestEx error (60)\n"}},
        {{"--timeout", "200", server.http("/hang")}, 1, "", {"error HttpEndRequest error (28)\n"}},
        {{"--data", "x", "--data-encoding", "HEX", server.http("/echo")}, 1, "",
         {"error Unknown data transfer encoding: HEX (0)\n"}},
        {{"--max-size", "-3", server.http("/text")}, 2, "", {"usage: varto-fetch"}},
        {{}, 2, "", {"no URL"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "" : c.args.back());
        const testsupport::ProgramRun run = runFetchTool(c.args);
        EXPECT_EQ(run.exitCode, c.exit) << run.err;
        // Bodies are compared whole except the echo's.
        if (c.out.starts_with("method")) EXPECT_EQ(run.out.substr(0, c.out.size()), c.out);
        else if (c.out != "\x78\x9c") EXPECT_EQ(run.out, c.out);
        else EXPECT_EQ(run.out.substr(0, 2), c.out);
        for (const std::string& line : c.err) EXPECT_NE(run.err.find(line), std::string::npos) << line << "\n" << run.err;
    }
    // The chunked upload arrived as one chunk of the decoded bytes.
    const testsupport::ProgramRun echo = runFetchTool({"-X", "PUT", "--chunked", "--data", "aGk=", "--data-encoding", "base64",
                                   "-H", "X-A: b", server.http("/echo")});
    EXPECT_NE(echo.out.find("header X-A: b\n"), std::string::npos);
    EXPECT_NE(echo.out.find("chunks 2 last 0\nbody hi\n"), std::string::npos) << echo.out;
}

}  // namespace
