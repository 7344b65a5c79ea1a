// Runs the built batch command against recording stand-ins for gs and qpdf
// (which then run the real tools) and against the corpus.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "../compress/EngineTestSupport.h"
#include "compress/Command.h"
#include "compress/PageCount.h"
#include "platform/Process.h"
#include "suite/Settings.h"

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

std::string cliPath() {
    const char* binDir = std::getenv("VARTO_BIN_DIR");
    return std::string(binDir ? binDir : VARTO_BINARY_DIR "/bin") + "/varto-compress-cli";
}

struct CliResult {
    uint32_t exitCode = 0;
    std::string out, err;
    std::vector<std::string> lines;  // of standard output
};

CliResult runCli(const std::vector<std::string>& args) {
    struct Capture : Command {
        CliResult result;
        void onStdoutData(const char* bytes, int count) override {
            result.out.append(bytes, count);
        }
        void onStderrData(const char* bytes, int count) override {
            result.err.append(bytes, count);
        }
    } command;
    std::string line = "\"" + cliPath() + "\"";
    for (const std::string& arg : args) line += " \"" + arg + "\"";
    command.commandLine = z(line);
    command.run();
    command.result.exitCode = command.exitCode;
    std::istringstream lines(command.result.out);
    for (std::string text; std::getline(lines, text);) command.result.lines.push_back(text);
    return command.result;
}

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

TEST(CompressCliTest, DefaultsOneLinePerFileAndATotal) {
    EngineEnv env;
    std::string a = env.add("in/a.pdf", samplePdf(8));
    std::string b = env.add("in/b c.pdf", samplePdf(8));
    CliResult r = runCli({a, b});
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    ASSERT_EQ(r.lines.size(), 3u) << r.out;
    // "NAME: OLD -> NEW (P% saved) -> TARGET", sizes as the list shows them.
    const std::regex shape(
        R"((.*)\.pdf: \d+\.\d\d [KMG]?B -> \d+\.\d\d [KMG]?B \(\d+\.\d% saved\) -> \1_compressed\.pdf)");
    std::set<std::string> names;
    for (int i = 0; i < 2; ++i) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(r.lines[i], match, shape)) << r.lines[i];
        names.insert(match[1]);
    }
    EXPECT_EQ(names, (std::set<std::string>{env.path("in/a"), env.path("in/b c")}));
    EXPECT_TRUE(r.lines[2].starts_with("Total: 2 files, 0 failed, ")) << r.lines[2];
    EXPECT_TRUE(r.lines[2].ends_with("% saved)")) << r.lines[2];
    EXPECT_EQ(pdfPageCount(z(env.path("in/a_compressed.pdf"))), 8);
    EXPECT_EQ(r.err, "");  // the tools' output does not leak

    // The form's defaults reach Ghostscript and qpdf.
    auto gs = env.runs("gs");
    ASSERT_EQ(gs.size(), 2u);
    EXPECT_TRUE(contains(gs[0], "-r144") && contains(gs[0], "-dPassThroughJPEGImages=false"));
    EXPECT_TRUE(contains(gs[0][gs[0].size() - 3], "/QFactor 0.45 "));
    EXPECT_FALSE(contains(gs[0], "-dFastWebView"));
    EXPECT_FALSE(contains(env.runs("qpdf").back(), "--linearize"));

    // A second run never overwrites the first results.
    CliResult again = runCli({a});
    EXPECT_EQ(again.exitCode, 0u);
    EXPECT_TRUE(fs::exists(env.path("in/a_compressed (1).pdf")));
}

TEST(CompressCliTest, OptionsBecomeTheFormsSettings) {
    EngineEnv env;
    std::string a = env.add("a.pdf", samplePdf(2));
    CliResult r = runCli({"--dpi", "0x48", "--quality=101", "--color", "gray", "--web", "-o",
                          env.path("out dir/new"), a});
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    auto gs = env.runs("gs");
    ASSERT_EQ(gs.size(), 1u);
    EXPECT_TRUE(contains(gs[0], "-r72"));
    EXPECT_TRUE(contains(gs[0], "-dPassThroughJPEGImages=true"));
    EXPECT_TRUE(contains(gs[0], "-dProcessColorModel=/DeviceGray"));
    EXPECT_TRUE(contains(gs[0], "-dFastWebView"));
    EXPECT_FALSE(contains(gs[0], "-c"));
    EXPECT_TRUE(contains(env.runs("qpdf").back(), "--linearize"));
    EXPECT_TRUE(fs::exists(env.path("out dir/new/a_compressed.pdf")));

    CliResult lossless = runCli({"--lossless", "--suffix", "", a});
    EXPECT_EQ(lossless.exitCode, 0u) << lossless.err;
    EXPECT_EQ(env.runs("gs").size(), 1u);  // no new Ghostscript run
    // An empty suffix never overwrites the input.
    EXPECT_TRUE(fs::exists(env.path("a (1).pdf")));
    EXPECT_EQ(readFile(a), samplePdf(2));
}

TEST(CompressCliTest, ProfileGivesTheWindowsLastSettings) {
    EngineEnv env;
    userConfig_saveProfile(
        u"compress", u"lastUsedSettings",
        {{u"dpi", u"50"}, {u"imageQuality", u"30"}, {u"saveFileSuffix", u"_small"}});
    std::string a = env.add("a.pdf", samplePdf(2));
    EXPECT_EQ(runCli({"--profile", a}).exitCode, 0u);
    EXPECT_EQ(runCli({"--dpi", "90", "--profile", a}).exitCode, 0u);
    auto gs = env.runs("gs");
    ASSERT_EQ(gs.size(), 2u);
    EXPECT_TRUE(contains(gs[0], "-r50"));
    EXPECT_TRUE(contains(gs[0][gs[0].size() - 3], "/QFactor 1.08 "));
    EXPECT_TRUE(contains(gs[1], "-r90"));
    EXPECT_TRUE(fs::exists(env.path("a_small.pdf")));
    EXPECT_TRUE(fs::exists(env.path("a_small (1).pdf")));
}

TEST(CompressCliTest, ExitCodesAndUsageErrors) {
    EngineEnv env;
    std::string a = env.add("a.pdf", samplePdf(1));
    for (auto args : std::vector<std::vector<std::string>>{{},
                                                           {"--bogus", a},
                                                           {"--dpi", "x", a},
                                                           {"--color", "RGB", a},
                                                           {"--jobs", "0", a},
                                                           {"--quality"},
                                                           {"--web=yes", a}}) {
        CliResult r = runCli(args);
        EXPECT_EQ(r.exitCode, 2u) << (args.empty() ? "" : args[0]);
        EXPECT_TRUE(r.err.starts_with("varto-compress-cli: ")) << r.err;
    }
    CliResult help = runCli({"-h"});
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_TRUE(help.out.starts_with("Usage: varto-compress-cli [OPTIONS] FILE..."));

    CliResult mixed = runCli({a, env.path("missing.pdf")});
    EXPECT_EQ(mixed.exitCode, 1u);
    EXPECT_TRUE(contains(mixed.lines, env.path("missing.pdf") + ": failed: no such file"));
    EXPECT_TRUE(mixed.lines.back().starts_with("Total: 2 files, 1 failed, ")) << mixed.out;
}

TEST(CompressCliTest, MissingToolsAreNamedWithTheirSetting) {
    EngineEnv env;
    std::string a = env.add("a.pdf", samplePdf(1));
    writeFile(env.path("install.ini"),
              "[Settings]\nGsWincCmdline=\"/nowhere/gs\"\nQpdfCmdline=qpdf\n");
    CliResult noGs = runCli({a});
    EXPECT_EQ(noGs.exitCode, 1u);
    EXPECT_TRUE(contains(noGs.err, "Ghostscript was not found (command \"/nowhere/gs\")"))
        << noGs.err;
    EXPECT_TRUE(contains(noGs.err, "\"GsWincCmdline\"")) << noGs.err;
    EXPECT_EQ(noGs.err.find("\n"), noGs.err.size() - 1);  // one message
    EXPECT_EQ(runCli({"--lossless", a}).exitCode, 0u);    // no Ghostscript needed

    writeFile(env.path("install.ini"),
              "[Settings]\nGsWincCmdline=gs\nQpdfCmdline=no-such-qpdf -x\n");
    CliResult noQpdf = runCli({a});
    EXPECT_EQ(noQpdf.exitCode, 1u);
    EXPECT_TRUE(contains(noQpdf.err, "qpdf was not found (command \"no-such-qpdf\")"))
        << noQpdf.err;
    EXPECT_TRUE(contains(noQpdf.err, "\"QpdfCmdline\"")) << noQpdf.err;
}

TEST(CompressCliTest, PasswordsAreTriedAndLockedFilesNeverReachGhostscript) {
    EngineEnv env;
    std::string locked = env.encrypted("locked.pdf", "pw-two");
    CliResult none = runCli({locked});
    EXPECT_EQ(none.exitCode, 1u);
    EXPECT_EQ(none.lines[0], locked + ": failed: locked: needs a password (--password)");
    CliResult wrong = runCli({"--password", "pw-one", locked});
    EXPECT_EQ(wrong.lines[0], locked + ": failed: locked: none of the passwords fits");
    EXPECT_TRUE(env.runs("gs").empty());

    CliResult right = runCli({"--password", "pw-one", "--password=pw-two", locked});
    EXPECT_EQ(right.exitCode, 0u) << right.out << right.err;
    EXPECT_EQ(pdfPageCount(z(env.path("locked_compressed.pdf"))), 3);
    EXPECT_EQ(env.runs("gs").size(), 1u);
}

TEST(CompressCliTest, JobsCompressFilesInParallel) {
    // Each slow Ghostscript run notes how many were running when it began.
    EngineEnv env;
    env.setMode("gs", "slow");
    std::string a = env.add("a.pdf", samplePdf(1)), b = env.add("b.pdf", samplePdf(1));
    ASSERT_EQ(runCli({"--jobs", "1", a, b}).exitCode, 0u);
    EXPECT_EQ(readFile(env.path("tools/gs.overlap")), "1\n1\n");
    ASSERT_EQ(runCli({"--jobs", "2", a, b}).exitCode, 0u);
    EXPECT_EQ(readFile(env.path("tools/gs.overlap")), "1\n1\n1\n2\n");
}

TEST(CompressCliTest, InterruptKillsTheToolsAndLeavesNoTemporaryFile) {
    EngineEnv env;
    env.setMode("gs", "litter");  // the killed tool's scratch file goes too
    std::string a = env.add("a.pdf", samplePdf(1));
    platform::Process cli;
    ASSERT_EQ(cli.spawn({cliPath(), a}, false), 0);
    int gsPid = env.waitForPid("gs");
    ASSERT_GT(gsPid, 0);
    ::kill(cli.pid(), SIGTERM);
    ASSERT_TRUE(cli.waitExit(3000));
    EXPECT_EQ(cli.exitCode(), 1u);
    EXPECT_FALSE(processAlive(gsPid));
    EXPECT_FALSE(fs::exists(env.path("a_compressed.pdf")));
    EXPECT_TRUE(env.tempFiles().empty());
}

// Files of every kind that matters: text, scans, vector art, owner and user
// passwords, damage. VARTO_CORPUS_ALL=1 takes the whole corpus.
TEST(CompressCliTest, CorpusFilesShrinkOrStayAndNothingIsLeftBehind) {
    std::string corpus = corpusFolder();
    if (corpus.empty()) GTEST_SKIP() << "no corpus at ../shared/corpus or $VARTO_CORPUS";
    EngineEnv env(Tools::Real);
    std::vector<std::string> names = {"tiny-parallel-cheat-libreoffice.pdf",
                                      "lin-simh-faq.pdf",
                                      "vector-gofpdf-charts.pdf",
                                      "enc-user-secret.pdf",
                                      "enc-owner-only.pdf",
                                      "text-r-intro.pdf",
                                      "image-geotrans-users-guide.pdf",
                                      "damaged-truncated.pdf"};
    if (std::getenv("VARTO_CORPUS_ALL")) {
        names.clear();
        for (const auto& item : fs::directory_iterator(corpus)) {
            if (item.path().extension() == ".pdf") names.push_back(item.path().filename());
        }
    }
    std::vector<std::string> args = {"--password", "secret", "-o", env.path("out")};
    std::map<std::string, uint64_t> hashes;
    for (const std::string& name : names) {
        std::string copy = env.add("in/" + name, readFile(corpus + "/" + name));
        hashes[copy] = hashFile(copy);
        args.push_back(copy);
    }
    CliResult r = runCli(args);
    EXPECT_EQ(r.exitCode, 1u);  // the damaged file fails
    EXPECT_TRUE(contains(
        r.lines, env.path("in/damaged-truncated.pdf") + ": failed: cannot be read (damaged PDF?)"));
    for (const auto& [input, hash] : hashes) {
        SCOPED_TRACE(input);
        EXPECT_EQ(hashFile(input), hash);
        std::string stem = fs::path(input).stem().string();
        std::string output = env.path("out/" + stem + "_compressed.pdf");
        if (stem == "damaged-truncated") {
            EXPECT_FALSE(fs::exists(output));
            continue;
        }
        ASSERT_TRUE(fs::exists(output));
        EXPECT_LE(fs::file_size(output), fs::file_size(input));
        int64_t pages = stem == "enc-user-secret" ? 113 : pdfPageCount(z(input));
        EXPECT_EQ(pdfPageCount(z(output)), pages);
    }
    EXPECT_TRUE(env.tempFiles().empty());  // after the process has exited
}

TEST(CompressCliTest, OtherDocumentsGoThroughTheConverter) {
    EngineEnv env;
    std::string binDir = fs::path(cliPath()).parent_path().string();
    writeFile(env.path("install.ini"),
              "[Settings]\nGsWincCmdline=gs\nQpdfCmdline=qpdf\nBinDir=" + binDir + "\n");
    std::string text = env.add("notes.txt", "A short note.\nSecond line.\n");
    CliResult r = runCli({text});
    ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_TRUE(r.lines[0].starts_with(text + ": 27.00 B -> ")) << r.lines[0];
    EXPECT_TRUE(r.lines[0].ends_with("% larger) -> " + env.path("notes_compressed.pdf")));
    EXPECT_EQ(pdfPageCount(z(env.path("notes_compressed.pdf"))), 1);
}
