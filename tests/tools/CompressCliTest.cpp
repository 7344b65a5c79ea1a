// Runs the built batch command against recording stand-ins for gs and qpdf
// (which then run the real tools) and against the corpus.

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "../compress/EngineTestSupport.h"
#include "CliSupport.h"
#include "compress/Command.h"
#include "compress/PageCount.h"
#include "platform/Process.h"
#include "suite/Settings.h"

using namespace clitest;
using namespace enginetest;
namespace fs = std::filesystem;

namespace {

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// Ghostscript's runs on the engine's private copy of a whole file, from the
// from-th run on; none of them may use the QFactors given.
int wholeFileRuns(const EngineEnv& env, size_t from = 0, const std::vector<std::string>& qFactors = {}) {
    int count = 0;
    auto runs = env.runs("gs");
    for (size_t i = from; i < runs.size(); ++i) {
        count += !runs[i].empty() && enginetest::contains(runs[i].back(), "/unlocked_");
        for (const std::string& q : qFactors) EXPECT_FALSE(enginetest::contains(runs[i][runs[i].size() - 3], q));
    }
    return count;
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

// -v says which result the planner kept; --thorough runs Ghostscript on the
// file whatever the planner would say.
TEST(CompressCliTest, PlannerLineAndThorough) {
    EngineEnv env;
    env.setConfig("compress.planner", "true");
    std::string a = env.add("a.pdf", samplePdf(2));
    CliResult planned = runCli({"-v", a});
    EXPECT_EQ(planned.exitCode, 0u) << planned.err;
    EXPECT_TRUE(contains(planned.err, "\nPlanner: ")) << planned.err;
    int before = wholeFileRuns(env);
    CliResult thorough = runCli({"--thorough", "-v", a});
    EXPECT_EQ(thorough.exitCode, 0u) << thorough.err;
    EXPECT_FALSE(contains(thorough.err, "Planner: "));
    EXPECT_EQ(wholeFileRuns(env), before + 1);
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
                                                           {"--web=yes", a},
                                                           {"--suffix", "_a/b", a},
                                                           {"--target-size", "2XB", a},
                                                           {"--target-size", "0", a},
                                                           {"--target-size=", a}}) {
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

    // A limit nothing meets: the smallest result is written, the file fails.
    CliResult missed = runCli({"--json", "--target-size", "100", a});
    EXPECT_EQ(missed.exitCode, 1u);
    ASSERT_EQ(missed.lines.size(), 2u) << missed.out;
    EXPECT_TRUE(contains(missed.lines[0], "\"outcome\":\"target_missed\",\"reason\":\"target size 100 "
                                          "bytes not reached: even at 72 dpi and quality 30, the lowest"))
        << missed.lines[0];
    EXPECT_TRUE(contains(missed.lines[0], "\"output\":\"" + env.path("a_compressed (1).pdf") + "\""));
    EXPECT_TRUE(contains(missed.lines[1], "\"files\":1,\"failed\":1,")) << missed.lines[1];
    EXPECT_TRUE(fs::exists(env.path("a_compressed (1).pdf")));
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

    // The output keeps the protection, unless --decrypt asks otherwise.
    CliResult right = runCli({"--password", "pw-one", "--password=pw-two", locked});
    EXPECT_EQ(right.exitCode, 0u) << right.out << right.err;
    EXPECT_TRUE(contains(right.lines[0], ", protected with the same password) -> ")) << right.out;
    EXPECT_EQ(pdfPageCount(z(env.path("locked_compressed.pdf"))), -1);
    EXPECT_EQ(pdfPageCount(z(env.path("locked_compressed.pdf")), u"pw-two"), 3);
    EXPECT_EQ(env.runs("gs").size(), 1u);
    CliResult open = runCli({"--decrypt", "--password=pw-two", locked});
    EXPECT_FALSE(contains(open.lines[0], "protected")) << open.out;
    EXPECT_EQ(pdfPageCount(z(env.path("locked_compressed (1).pdf"))), 3);

    // A limit only the unprotected result meets: protecting it again goes
    // over, and that is a missed target, not a silent one.
    std::string fits = std::to_string(fs::file_size(env.path("locked_compressed (1).pdf")));
    CliResult over = runCli({"--target-size", fits, "--password=pw-two", locked});
    EXPECT_EQ(over.exitCode, 1u) << over.out << over.err;
    EXPECT_TRUE(contains(over.lines[0], "not reached: protected again with the same password, the "
                                        "result is "))
        << over.out;
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
        ZString password = stem == "enc-user-secret" ? u"secret" : u"";
        EXPECT_EQ(pdfPageCount(z(output), password), pdfPageCount(z(input), password));
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
    // From nothing there is no percentage.
    std::string empty = env.add("empty.txt", "");
    CliResult fromEmpty = runCli({empty});
    ASSERT_EQ(fromEmpty.exitCode, 0u) << fromEmpty.err;
    EXPECT_TRUE(std::regex_match(fromEmpty.lines[0],
                                 std::regex(".*: 0\\.00 B -> [0-9.]+ [KMG]?B \\(larger\\) -> .*")))
        << fromEmpty.lines[0];
}

namespace {

// The same small PDF written without spaces: every tool's rewrite, the
// unlock step's included, comes out larger.
std::string compactPdf() {
    std::vector<std::string> objects = {"<</Type/Catalog/Pages 2 0 R>>",
                                        "<</Type/Pages/Kids[3 0 R]/Count 1>>",
                                        "<</Type/Page/Parent 2 0 R/MediaBox[0 0 99 99]>>"};
    std::string pdf = "%PDF-1.4\n";
    std::string xref = "xref\n0 4\n0000000000 65535 f \n";
    for (size_t i = 0; i < objects.size(); ++i) {
        std::string offset = std::to_string(pdf.size());
        xref += std::string(10 - offset.size(), '0') + offset + " 00000 n \n";
        pdf += std::to_string(i + 1) + " 0 obj" + objects[i] + "endobj\n";
    }
    return pdf + xref + "trailer<</Size 4/Root 1 0 R>>\nstartxref\n" + std::to_string(pdf.size()) +
           "\n%%EOF\n";
}

}  // namespace

// Names are bytes and may hold line feeds; the result never grows; what
// cannot be saved is found before any tool runs.
TEST(CompressCliTest, OddNamesUnchangedFilesAndTargetsCheckedFirst) {
    EngineEnv env;
    const struct {
        std::string name, content, line;  // line: the result line after "<folder>/"
    } rows[] = {
        {"caf\xe9.pdf", samplePdf(2),
         "caf\xef\xbf\xbd.pdf: .* saved\\) -> .*/caf\xef\xbf\xbd_compressed\\.pdf"},
        {"new\nline.pdf", samplePdf(2), "new\\\\nline\\.pdf: .* saved\\) -> .*/new\\\\nline_compressed\\.pdf"},
        {"compact.pdf", compactPdf(),
         "compact\\.pdf: (\\d+\\.\\d\\d B) -> \\1 \\(kept as it was\\) -> .*/compact_compressed\\.pdf"},
        {std::string(240, 'n') + ".pdf", samplePdf(1),
         std::string(240, 'n') + "\\.pdf: failed: the new name would be too long: n+_compressed\\.pdf"},
    };
    std::vector<std::string> args = {"--jobs", "1"};
    for (const auto& row : rows) args.push_back(env.add(row.name, row.content));
    CliResult r = runCli(args);
    EXPECT_EQ(r.exitCode, 1u) << r.err;
    ASSERT_EQ(r.lines.size(), std::size(rows) + 1) << r.out;
    for (const auto& row : rows) {
        bool found = false;
        for (const std::string& line : r.lines)
            found = found || std::regex_match(line, std::regex(".*/" + row.line));
        EXPECT_TRUE(found) << row.line << "\n" << r.out;
    }
    EXPECT_EQ(readFile(env.path("caf\xe9_compressed.pdf")).substr(0, 5), "%PDF-");
    EXPECT_TRUE(fs::exists(env.path("new\nline_compressed.pdf")));
    EXPECT_EQ(readFile(env.path("compact_compressed.pdf")), compactPdf());
    EXPECT_EQ(env.runs("gs").size(), 3u);  // none for the name that cannot be saved
}

namespace {

// Runs the batch command in a terminal of its own.
struct TerminalRun {
    int master = -1;
    pid_t pid = -1;
    std::string seen;

    explicit TerminalRun(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {cliPath()};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> raw;
        for (auto& arg : argv) raw.push_back(arg.data());
        raw.push_back(nullptr);
        pid = forkpty(&master, nullptr, nullptr, nullptr);
        if (pid == 0) {
            execv(raw[0], raw.data());
            _exit(127);
        }
    }
    ~TerminalRun() {
        if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
            ::kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (master >= 0) close(master);
    }
    // Reads what the terminal shows until the text appears.
    bool waitFor(const std::string& text) {
        return waitUntil([&] {
            char buffer[4096];
            pollfd p{master, POLLIN, 0};
            while (poll(&p, 1, 0) > 0) {
                ssize_t n = read(master, buffer, sizeof buffer);
                if (n <= 0) break;
                seen.append(buffer, static_cast<size_t>(n));
            }
            return seen.find(text) != std::string::npos;
        });
    }
    // The exit status once the program ended within the time.
    int exitStatus(int64_t ms) {
        int status = -1;
        waitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, ms);
        return status;
    }
};

}  // namespace

// The password question stands on a line of its own; Ctrl+C or SIGTERM
// while it waits end the run at once and give the terminal its echo back.
TEST(CompressCliTest, PasswordPromptHasItsOwnLineAndEndsOnInterrupt) {
    EngineEnv env;
    std::string locked = env.encrypted("locked.pdf", "pw");
    for (int signalNumber : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signalNumber);
        TerminalRun run({locked});
        const std::string question = "Password for file 'locked.pdf': ";
        ASSERT_TRUE(run.waitFor(question)) << run.seen;
        std::string before = run.seen.substr(0, run.seen.find(question));
        EXPECT_TRUE(before.empty() || before.ends_with("\033[K") || before.ends_with("\n"))
            << before;
        if (signalNumber == SIGINT) {
            ASSERT_EQ(write(run.master, "\x03", 1), 1);  // Ctrl+C
        } else {
            ::kill(run.pid, SIGTERM);
        }
        int status = run.exitStatus(3000);
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_TRUE(run.waitFor(locked + ": failed: cancelled")) << run.seen;
        termios settings{};
        ASSERT_EQ(tcgetattr(run.master, &settings), 0);
        EXPECT_TRUE(settings.c_lflag & ECHO);
        EXPECT_TRUE(env.tempFiles().empty());
    }
}

namespace {

// Another user's world: a folder of theirs with the inputs, their settings,
// and the batch command run as them with umask 022. As root the runs switch
// user with setpriv; otherwise they are this (unprivileged) user's own.
// True when users other than the owner can pass through every folder down
// to `path` (a clone under a home folder of mode 0700 is out of their reach).
bool othersCanReach(const fs::path& path) {
    for (fs::path at = fs::absolute(path); ; at = at.parent_path()) {
        struct stat st {};
        if (stat(at.c_str(), &st) != 0 || (st.st_mode & S_IXOTH) == 0) return false;
        if (at == at.root_path()) return true;
    }
}

// The batch command as other users run it: the built one when they can
// reach it, else a copy with its installation values (bin/ and share/varto/,
// as the program finds them beside itself) in a folder of the temporary
// folder, removed when the tests end. Empty when neither can be reached.
class OtherUsersCli {
public:
    static const std::string& path() {
        static OtherUsersCli instance;
        return instance.path_;
    }

private:
    OtherUsersCli() {
        const fs::path built = cliPath();
        if (othersCanReach(built)) {
            path_ = built.string();
            return;
        }
        const fs::path copy = copy_.path(), bin = copy / "bin" / built.filename();
        std::error_code error;
        fs::create_directories(copy / "bin", error);
        fs::copy(built.parent_path().parent_path() / "share", copy / "share", fs::copy_options::recursive, error);
        fs::copy_file(built, bin, error);
        if (error || copy.empty()) return;
        for (const auto& entry : fs::recursive_directory_iterator(copy)) {
            const bool runnable = entry.is_directory() || entry.path().parent_path() == copy / "bin";
            fs::permissions(entry.path(), fs::perms(runnable ? 0755 : 0644));
        }
        fs::permissions(copy, fs::perms(0755));
        if (othersCanReach(bin)) path_ = bin.string();
    }
    TempFolder copy_{"varto cli"};
    std::string path_;
};

// Why the tests cannot run the batch command as other users, or empty.
std::string whyNoOtherUsers() {
    if (geteuid() != 0 || !fs::exists("/usr/bin/setpriv")) return "needs root and setpriv to run as other users";
    if (!othersCanReach(fs::temp_directory_path()))
        return "other users cannot enter the temporary folder " + fs::temp_directory_path().string();
    if (OtherUsersCli::path().empty()) return "no copy of the batch command that other users can reach";
    // Libraries or files the copy still needs from the build tree would show here.
    static const bool runs = runCliArgv({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                         OtherUsersCli::path(), "--help"})
                                 .exitCode == 0;
    if (!runs) return "the batch command does not start as another user from " + OtherUsersCli::path();
    return {};
}

struct UserRun {
    uid_t uid;
    TempFolder folder{"varto user"};
    std::string root = folder.path();

    explicit UserRun(uid_t user) : uid(user) {
        fs::create_directories(root + "/in");
        fs::create_directories(root + "/config");
        fs::permissions(root, fs::perms(0755));
        for (const char* sub : {"", "/in", "/config"}) give(root + sub);
    }
    void give(const std::string& path) const {
        if (geteuid() == 0 && chown(path.c_str(), uid, uid) != 0) ADD_FAILURE() << path;
    }
    std::string add(const std::string& name, const std::string& bytes) const {
        std::string path = root + "/in/" + name;
        writeFile(path, bytes);
        give(path);
        return path;
    }
    // The command under a shell that sets the umask; tail adds a pipeline.
    std::vector<std::string> argv(const std::vector<std::string>& args,
                                  const std::string& tail = "") const {
        std::vector<std::string> argv;
        if (geteuid() == 0) {
            std::string id = std::to_string(uid);
            argv = {"setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups"};
        }
        for (std::string part : std::vector<std::string>{
                 "env", "-u", "VARTO_INSTALL_INI", "VARTO_CONFIG_HOME=" + root + "/config", "sh",
                 "-c", "umask 022; exec \"$0\" \"$@\"" + tail,
                 uid == geteuid() ? cliPath() : OtherUsersCli::path()})
            argv.push_back(part);
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }
};

bool canSwitchUser() { return whyNoOtherUsers().empty(); }

// Every entry below the folder that another user could read or enter.
std::vector<std::string> openToOthers(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        struct stat st {};
        if (lstat(it->path().c_str(), &st) == 0 && (st.st_mode & 077) != 0)
            found.push_back(it->path().string());
    }
    return found;
}

}  // namespace

// Two users at once each get a private temporary folder of their own, and a
// folder or file they cannot use is named before any work.
TEST(CompressCliTest, EachUserHasAPrivateTemporaryFolder) {
    if (const std::string why = whyNoOtherUsers(); !why.empty()) GTEST_SKIP() << why;
    std::vector<std::unique_ptr<UserRun>> users;
    for (uid_t uid : {65534u, 65533u}) users.push_back(std::make_unique<UserRun>(uid));
    for (const auto& user : users) {
        SCOPED_TRACE(user->uid);
        std::string pdf = user->add("a.pdf", samplePdf(1));
        CliResult r = runCliArgv(user->argv({pdf}));
        EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
        std::string own = "/tmp/varto-" + std::to_string(user->uid);
        struct stat st {};
        ASSERT_EQ(lstat(own.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, user->uid);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
    // The first user's file, unreadable for the second; a folder they cannot write.
    const UserRun& second = *users[1];
    std::string theirs = users[0]->add("private.pdf", samplePdf(1));
    chmod(theirs.c_str(), 0600);
    std::string mine = second.add("mine.pdf", samplePdf(1));
    CliResult r = runCliArgv(second.argv({"-o", users[0]->root, mine}));
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_TRUE(contains(r.err, "cannot write into the folder " + users[0]->root + ": Permission denied")) << r.err;
    r = runCliArgv(second.argv({theirs}));
    EXPECT_TRUE(contains(r.lines, theirs + ": failed: cannot be read: Permission denied")) << r.out;
    r = runCliArgv(second.argv({"--jobs", "1", mine, users[0]->add("shared.pdf", samplePdf(1))}));
    EXPECT_TRUE(contains(r.lines, users[0]->root + "/in/shared.pdf: failed: cannot write into " +
                                      users[0]->root + "/in: Permission denied"))
        << r.out;
}

// While the batch command runs as an ordinary user with umask 022, nothing in
// its temporary folder is open to others, and nothing is left once it ends:
// normally, by Ctrl+C, by SIGTERM, or because its output pipe closed.
TEST(CompressCliTest, TemporaryFilesArePrivateAndGoneHoweverTheRunEnds) {
    UserRun user(canSwitchUser() ? 65534u : geteuid());
    std::string temp = user.root + "/tmp";
    fs::create_directories(temp);
    fs::permissions(temp, fs::perms(0700));
    user.give(temp);
    std::vector<std::string> files;
    std::string corpus = corpusFolder();
    for (const char* name : {"tiny-parallel-cheat-libreoffice.pdf", "lin-simh-faq.pdf"}) {
        files.push_back(user.add(name, corpus.empty() ? samplePdf(20) : readFile(corpus + "/" + name)));
    }
    // --thorough: Ghostscript runs on each file, so the run can end while it works.
    std::vector<std::string> args = {"--thorough", "--jobs", "1", "-o", user.root + "/out"};
    args.insert(args.end(), files.begin(), files.end());
    ScopedEnv tmpdir("TMPDIR", temp);

    enum class Ending { Normal, Interrupt, Terminate, ClosedPipe };
    for (Ending ending : {Ending::Normal, Ending::Interrupt, Ending::Terminate, Ending::ClosedPipe}) {
        SCOPED_TRACE(static_cast<int>(ending));
        platform::Process cli;
        ASSERT_EQ(cli.spawn(user.argv(args, ending == Ending::ClosedPipe ? " | head -c 1" : ""), true), 0);
        std::vector<std::string> seen;
        while (!cli.exited()) {
            for (const std::string& path : openToOthers(temp)) seen.push_back(path);
            bool toolRunning = false;
            std::error_code error;
            for (auto it = fs::recursive_directory_iterator(temp, error);
                 !error && it != fs::recursive_directory_iterator(); it.increment(error))
                toolRunning = toolRunning || contains(it->path().filename().string(), "compress_gs_");
            if (toolRunning && (ending == Ending::Interrupt || ending == Ending::Terminate)) {
                ::kill(cli.pid(), ending == Ending::Interrupt ? SIGINT : SIGTERM);
            }
            char buffer[4096];
            while (cli.bytesAvailable(platform::Process::Stream::Output) > 0)
                cli.read(platform::Process::Stream::Output, buffer, sizeof buffer);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_TRUE(seen.empty()) << seen.front();
        uint32_t code = cli.exitCode();
        EXPECT_EQ(code, ending == Ending::Normal ? 0u : ending == Ending::ClosedPipe ? 0u : 1u);
        std::vector<std::string> left;
        std::error_code error;
        for (auto it = fs::recursive_directory_iterator(temp, error);
             !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
            if (it->path().filename() != "Varto") left.push_back(it->path().string());
        }
        EXPECT_TRUE(left.empty()) << left.front();
    }
}

// scripts/run.sh as a user meets it: the build's progress shows, the test
// locale is not touched, an absolute build folder works, and without a
// window it points to --batch instead of naming a command nobody typed.
TEST(CompressCliTest, RunScriptShowsItsBuildAndPointsToTheBatchCommand) {
    EngineEnv env;
    // Stand-ins that record their calls: cmake (the build is up to date
    // anyway) and locale (the test-only German locale set-up).
    writeFile(env.path("bin/cmake"), "#!/bin/sh\necho \"[1/1] building for $*\"\n");
    writeFile(env.path("bin/locale"), "#!/bin/sh\ntouch \"$(dirname \"$0\")/locale.called\"\n");
    for (const char* tool : {"bin/cmake", "bin/locale"})
        fs::permissions(env.path(tool), fs::perms::owner_all);
    ScopedEnv path("PATH", env.path("bin") + ":" + std::getenv("PATH"));
    ScopedEnv build("VARTO_BUILD_DIR", VARTO_BINARY_DIR);
    ScopedEnv display("DISPLAY", "");
    const std::string script = VARTO_SOURCE_DIR "/scripts/run.sh";

    CliResult bare = runCliArgv({script});
    EXPECT_EQ(bare.exitCode, 2u);
    EXPECT_TRUE(contains(bare.err, "[1/1] building for --build " VARTO_BINARY_DIR)) << bare.err;
    std::string last = bare.err.substr(bare.err.rfind('\n', bare.err.size() - 2) + 1);
    EXPECT_TRUE(last.starts_with("run.sh: ") && contains(last, "scripts/run.sh --batch FILE")) << last;
    EXPECT_FALSE(contains(bare.err, "varto-compress-cli")) << bare.err;
    EXPECT_EQ(bare.out, "");

    std::string a = env.add("a.pdf", samplePdf(1));
    CliResult batch = runCliArgv({script, "--batch", a});
    EXPECT_EQ(batch.exitCode, 0u) << batch.err;
    EXPECT_TRUE(batch.out.starts_with(a + ": ")) << batch.out;
    EXPECT_FALSE(fs::exists(env.path("bin/locale.called")));
}

namespace {

// A number member of a --json line; -1 when it is null or missing.
int64_t jsonNumber(const std::string& line, const std::string& key) {
    std::smatch match;
    if (!std::regex_search(line, match, std::regex("\"" + key + "\":(-?[0-9]+)"))) return -1;
    return std::stoll(match[1]);
}

}  // namespace

// Real files under --target-size: a text manual that fits after the lossless
// path never meets Ghostscript; a 10 MB scan ends close below 2 MB with at
// most four whole-file runs; a limit no setting reaches writes the smallest
// result and fails the file with the reason, never going below the floors.
TEST(CompressCliTest, TargetSizeOnRealFiles) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "a corpus run: the normal build runs it once";
#endif
    std::string corpus = corpusFolder();
    if (corpus.empty()) GTEST_SKIP() << "no corpus at ../shared/corpus or $VARTO_CORPUS";
    EngineEnv env;
    std::string manual = env.add("manual.pdf", readFile(corpus + "/text-r-intro.pdf"));
    std::string scan = env.add("scan.pdf", readFile(corpus + "/scan-doc-gray-jpeg.pdf"));
    ASSERT_GT(fs::file_size(scan), 10000000u);

    CliResult fits = runCli({"--json", "--target-size", "1MB", manual});
    EXPECT_EQ(fits.exitCode, 0u) << fits.out;
    EXPECT_TRUE(env.runs("gs").empty());
    ASSERT_EQ(fits.lines.size(), 2u);
    EXPECT_TRUE(contains(fits.lines[0], "\"outcome\":\"compressed\",\"reason\":null,\"path\":\"lossless\""))
        << fits.lines[0];
    EXPECT_TRUE(contains(fits.lines[0], "\"dpi\":null,\"quality\":null,\"whole_file_runs\":0"));

    CliResult scanned = runCli({"--json", "--target-size", "2MB", scan});
    EXPECT_EQ(scanned.exitCode, 0u) << scanned.out;
    ASSERT_EQ(scanned.lines.size(), 2u);
    const std::string& line = scanned.lines[0];
    EXPECT_TRUE(contains(line, "\"outcome\":\"compressed\"")) << line;
    EXPECT_GE(jsonNumber(line, "output_bytes"), 1600000) << line;
    EXPECT_LE(jsonNumber(line, "output_bytes"), 2000000) << line;
    EXPECT_EQ(jsonNumber(line, "dpi"), 144) << line;
    EXPECT_GE(jsonNumber(line, "quality"), 30) << line;
    EXPECT_EQ(jsonNumber(line, "whole_file_runs"), wholeFileRuns(env)) << line;
    EXPECT_LE(wholeFileRuns(env), 4);

    // The floor of 50 keeps every run at QFactor 0.80 or finer.
    env.setConfig("compress.targetMinQuality", "50");
    env.setConfig("compress.targetMinDpi", "100");
    size_t before = env.runs("gs").size();
    CliResult missed = runCli({"--target-size", "150 KiB", "-v", scan});
    EXPECT_EQ(missed.exitCode, 1u);
    ASSERT_EQ(missed.lines.size(), 2u) << missed.out;
    EXPECT_TRUE(std::regex_search(missed.lines[0],
                                  std::regex("-> .*/scan_compressed \\(1\\)\\.pdf; failed: target size "
                                             "150\\.0 KiB not reached: even at 100 dpi and quality 50, "
                                             "the lowest the search may go, the file is [0-9]+\\.[0-9]{2} [KM]B$")))
        << missed.lines[0];
    EXPECT_TRUE(missed.lines[1].starts_with("Total: 1 file, 1 failed")) << missed.lines[1];
    EXPECT_LE(wholeFileRuns(env, before, {"/QFactor 0.81", "/QFactor 0.9", "/QFactor 1."}), 4);
    EXPECT_TRUE(contains(missed.err, "\nTarget: target 150.0 KiB: not reached: ")) << missed.err;
    // The smallest result is the one written: at the floor, smaller than the 2 MB one.
    EXPECT_LT(fs::file_size(env.path("scan_compressed (1).pdf")),
              fs::file_size(env.path("scan_compressed.pdf")));
}
