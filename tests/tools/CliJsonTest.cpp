// The batch command's machine-readable results and its lists of inputs.

#include <gtest/gtest.h>

#include <filesystem>

#include "../compress/EngineTestSupport.h"
#include "CliSupport.h"

using namespace clitest;
using namespace enginetest;
namespace fs = std::filesystem;

namespace {

// The canonical dump of json_lines.py, which also checks sizes and sums.
std::string jsonDump(const EngineEnv& env, const std::string& jsonLines) {
    writeFile(env.path("results.json"), jsonLines);
    return shellOutput("/usr/bin/python3 '" VARTO_SOURCE_DIR "/tests/tools/json_lines.py' '" +
                       env.path("results.json") + "'");
}

}  // namespace

TEST(CliJsonTest, OneObjectPerFileThenTheSummary) {
    EngineEnv env;
    std::string a = env.add("a.pdf", samplePdf(3));
    // A quote, a line feed and a byte that is not UTF-8 survive the trip.
    std::string odd = env.add("odd \"\n\xff.pdf", samplePdf(2));
    std::string missing = env.path("missing.pdf");
    CliResult r = runCli({"--json", "--jobs", "1", a, odd, missing});
    EXPECT_EQ(r.exitCode, 1u) << r.err;
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(r.lines.size(), 4u) << r.out;
    // Largest first, the missing file last, one object a line; the planner
    // keeps the lossless result of these text pages.
    EXPECT_EQ(jsonDump(env, r.out),
              "file compressed b'" + a + "' pages=3 path=lossless\n"
              "file compressed b'" + env.path("odd \"\\n\\xff.pdf") + "' pages=2 path=lossless\n"
              "file failed b'" + missing + "' pages=None path=None\n"
              "summary files=3 failed=1\n");
    EXPECT_NE(r.lines[0].find(R"("output":")" + env.path("a_compressed.pdf") + "\""), std::string::npos)
        << r.lines[0];
    EXPECT_NE(r.lines[1].find(R"(odd \"\n\udcff.pdf")"), std::string::npos) << r.lines[1];
    EXPECT_NE(r.lines[2].find(R"("reason":"no such file")"), std::string::npos) << r.lines[2];

    // The restructuring steps alone say so; a file kept as it was is "unchanged".
    std::string tiny = env.add("tiny.pdf", pdfFromObjects({"<< /Type /Catalog /Pages 2 0 R >>",
                                                           "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                                           "<< /Type /Page /Parent 2 0 R >>"}));
    CliResult lossless = runCli({"--json", "--lossless", tiny});
    EXPECT_EQ(lossless.exitCode, 0u) << lossless.err;
    EXPECT_EQ(jsonDump(env, lossless.out),
              "file unchanged b'" + tiny + "' pages=1 path=lossless\nsummary files=1 failed=0\n");
}

TEST(CliJsonTest, FilesFromListsAndStandardInput) {
    EngineEnv env;
    std::string a = env.add("in/a.pdf", samplePdf(1));
    std::string b = env.add("in/b c.pdf", samplePdf(1));
    std::string lf = env.add("in/line\nfeed.pdf", samplePdf(1));
    // Lines from another system, an empty line, no final line feed.
    writeFile(env.path("list.txt"), a + "\r\n\n" + b);
    CliResult fromFile = runCli({"--lossless", "--files-from", env.path("list.txt"), "-o",
                                 env.path("out1")});
    EXPECT_EQ(fromFile.exitCode, 0u) << fromFile.err;
    EXPECT_EQ(fromFile.lines.back().substr(0, 24), "Total: 2 files, 0 failed") << fromFile.out;
    EXPECT_TRUE(fs::exists(env.path("out1/a_compressed.pdf")));
    EXPECT_TRUE(fs::exists(env.path("out1/b c_compressed.pdf")));

    // NUL-separated on standard input, with a name holding a line feed, and
    // files named on the command line as well.
    std::string list = lf + '\0' + b + '\0';
    CliResult fromStdin = runCli({"--lossless", "-0", "--files-from", "-", "-o", env.path("out2"), a},
                                 list);
    EXPECT_EQ(fromStdin.exitCode, 0u) << fromStdin.err;
    EXPECT_EQ(fromStdin.lines.back().substr(0, 24), "Total: 3 files, 0 failed") << fromStdin.out;
    EXPECT_TRUE(fs::exists(env.path("out2/line\nfeed_compressed.pdf")));

    // An empty list is an empty batch; a list that cannot be read is bad usage.
    writeFile(env.path("empty.txt"), "");
    CliResult empty = runCli({"--json", "--files-from", env.path("empty.txt")});
    EXPECT_EQ(empty.exitCode, 0u) << empty.err;
    EXPECT_EQ(jsonDump(env, empty.out), "summary files=0 failed=0\n");
    CliResult unreadable = runCli({"--files-from", env.path("none.txt")});
    EXPECT_EQ(unreadable.exitCode, 2u);
    EXPECT_EQ(unreadable.err, "varto-compress-cli: cannot read the list " + env.path("none.txt") +
                                  ": No such file or directory\n");
    EXPECT_EQ(runCli({"--files-from="}).exitCode, 2u);
}
