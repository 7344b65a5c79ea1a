// The Debian packages: built from the install rules, installed with dpkg,
// used from a folder outside the checkout, removed without a trace.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "../compress/EngineTestSupport.h"
#include "CliSupport.h"

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

const char* const kPackages[] = {"varto-compress-cli", "varto-compress"};

bool installed(const std::string& package) {
    return shellOutput("dpkg-query -W -f='${Status}' " + package).find("ok installed") !=
           std::string::npos;
}

// dpkg with the arguments; another installation on the machine (apt, a
// test elsewhere) may hold its lock for a while, so a locked attempt waits
// for the lock's holder and tries again, for at most five minutes.
std::string dpkg(const std::string& arguments) {
    return shellOutput("for try in $(seq 300); do out=$(dpkg " + arguments +
                       " 2>&1); code=$?; case \"$out\" in *'dpkg frontend lock'*|*'dpkg status database is locked'*)"
                       " sleep 1;; *) break;; esac; done; printf '%s\\nexit=%d\\n' \"$out\" $code");
}

}  // namespace

TEST(DebianPackageTest, InstallCompressAndRemoveWithoutATrace) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "packages are made from the normal build; this build's programs need the "
                    "sanitizer runtime";
#endif
    if (geteuid() != 0) GTEST_SKIP() << "installing packages with dpkg needs root";
    // Worktrees of this machine share one system: one package test at a time.
    int lock = open("/tmp/varto-package-test.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    ASSERT_GE(lock, 0);
    flock(lock, LOCK_EX);
    struct Unlock {
        int fd;
        ~Unlock() { close(fd); }
    } unlock{lock};
    for (const char* package : kPackages) {
        if (installed(package)) GTEST_SKIP() << package << " is installed already; not touching it";
    }

    clitest::TempFolder packages("varto-deb"), work("varto-deb");
    std::string out = shellOutput("cpack -G DEB --config " VARTO_BINARY_DIR "/CPackConfig.cmake -B '" +
                                  packages.path() + "' >/dev/null; echo exit=$?");
    ASSERT_EQ(out, "exit=0\n");
    std::string arch = shellOutput("dpkg --print-architecture");
    arch.pop_back();
    std::string cli = packages.path() + "/varto-compress-cli_" VARTO_VERSION "_" + arch + ".deb";
    std::string window = packages.path() + "/varto-compress_" VARTO_VERSION "_" + arch + ".deb";
    // Dependencies as computed from the programs, plus the tools and the
    // package below.
    std::string cliDepends = shellOutput("dpkg-deb -f '" + cli + "' Depends");
    EXPECT_TRUE(cliDepends.starts_with("ghostscript, qpdf, libc6")) << cliDepends;
    EXPECT_TRUE(contains(cliDepends, "libqpdf")) << cliDepends;
    EXPECT_FALSE(contains(cliDepends, "libgtk")) << cliDepends;  // a server needs no desktop
    EXPECT_TRUE(contains(shellOutput("dpkg-deb -f '" + cli + "' Recommends"), "libreoffice-writer"));
    std::string windowDepends = shellOutput("dpkg-deb -f '" + window + "' Depends");
    EXPECT_TRUE(windowDepends.starts_with("varto-compress-cli (= " VARTO_VERSION "), ")) << windowDepends;
    EXPECT_TRUE(contains(windowDepends, "libgtk-3-0")) << windowDepends;

    struct Remove {
        ~Remove() { dpkg("-r varto-compress varto-compress-cli"); }
    } removeAtEnd;
    out = dpkg("-i '" + cli + "' '" + window + "'");
    ASSERT_TRUE(out.ends_with("exit=0\n")) << out;
    std::vector<std::string> files;
    for (const char* package : kPackages) {
        for (const std::string& path : testsupport::linesOf(shellOutput(std::string("dpkg -L ") + package)))
            if (!fs::is_directory(path)) files.push_back(path);
    }
    EXPECT_GE(files.size(), 15u);

    // The installed programs, run from elsewhere with nothing of the checkout
    // in reach: they find their installation values, the converter and
    // Ghostscript (--thorough: the planner keeps the lossless result of text).
    writeFile(work.path() + "/report.pdf", samplePdf(3));
    writeFile(work.path() + "/notes.txt", "Installed from a package\n");
    std::string env = "cd '" + work.path() + "' && env -i PATH=/usr/bin:/bin HOME='" + work.path() +
                      "' TMPDIR='" + work.path() + "' ";
    out = shellOutput(env + "varto-compress-cli --json --thorough -v report.pdf notes.txt 2>verbose.log; echo exit=$?");
    EXPECT_TRUE(out.ends_with("exit=0\n")) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 4) << out;
    EXPECT_TRUE(contains(out, "\"outcome\":\"compressed\",\"reason\":null,\"path\":\"")) << out;
    EXPECT_TRUE(contains(readFile(work.path() + "/verbose.log"), "Processing pages 1 through 3."));
    EXPECT_TRUE(fs::exists(work.path() + "/report_compressed.pdf"));
    EXPECT_TRUE(fs::exists(work.path() + "/notes_compressed.pdf"));
    EXPECT_TRUE(shellOutput(env + "varto-compress --help").starts_with("Usage: varto-compress "));
    EXPECT_EQ(shellOutput("man -w varto-compress-cli"), "/usr/share/man/man1/varto-compress-cli.1.gz\n");

    out = dpkg("-r varto-compress varto-compress-cli");
    EXPECT_TRUE(out.ends_with("exit=0\n")) << out;
    for (const char* package : kPackages) EXPECT_FALSE(installed(package)) << package;
    std::set<std::string> left;
    for (const std::string& path : files)
        if (fs::exists(fs::symlink_status(path))) left.insert(path);
    EXPECT_TRUE(left.empty()) << *left.begin();
    EXPECT_FALSE(fs::exists("/usr/share/varto"));
}
