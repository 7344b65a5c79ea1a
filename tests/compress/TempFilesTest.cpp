#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "EngineTestSupport.h"
#include "compress/TempFiles.h"
#include "platform/Clock.h"
#include "platform/Fs.h"

namespace {

namespace stdfs = std::filesystem;

std::string utf8(const ZString& s) { return s.toUtf8(); }
ZString wide(const stdfs::path& p) { return ZString::fromUtf8(p.string()); }

void writeText(const stdfs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const stdfs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A private temporary folder (TMPDIR) for each test.
class TempFilesTest : public testing::Test {
protected:
    enginetest::EngineEnv env_;
    stdfs::path base_ = env_.tempFolder();
};

TEST_F(TempFilesTest, RootFollowsTheVariablesInOrder) {
    stdfs::create_directory(base_ / "temp");
    enginetest::ScopedEnv tmp("TMP", (base_ / "missing too").string());
    enginetest::ScopedEnv temp("TEMP", (base_ / "temp").string());
    setenv("TMPDIR", (base_ / "missing").c_str(), 1);
    EXPECT_EQ(utf8(tempRootFolder()), (base_ / "temp").string());
    setenv("TEMP", (base_ / "gone").c_str(), 1);
    EXPECT_EQ(utf8(tempRootFolder()), ".");
    // Variables inside the value are expanded; trailing separators go.
    setenv("VARTO_TEST_BASE", base_.c_str(), 1);
    setenv("TMPDIR", "${VARTO_TEST_BASE}/temp//\\", 1);
    EXPECT_EQ(utf8(appTempFolder()), (base_ / "temp").string() + "/Varto");
    unsetenv("VARTO_TEST_BASE");
}

TEST_F(TempFilesTest, NameShapes) {
    setenv("TMPDIR", (base_.string() + "///").c_str(), 1);
    const std::string folder = base_.string() + "/Varto/";
    const struct {
        const char16_t *subfolder, *prefix, *extension;
        std::string shape;
    } cases[] = {
        {u"Varto", u"compress_gs_", u".pdf", folder + R"(compress_gs_\d+_\d+_\d+\.pdf)"},
        {u"//Varto", u"abc", u".txt", folder + R"(abc_\d+_\d+_\d+\.txt)"},
        {u"Varto", u"", u".gs", folder + R"(\d+_\d+_\d+\.gs)"},
        {u"", u"x", u"", base_.string() + R"(/x_\d+_\d+_\d+)"},
        {u"Varto/deep", u"p", u".pdf", folder + R"(deep/p_\d+_\d+_\d+\.pdf)"},
    };
    for (const auto& c : cases) {
        std::string name = utf8(makeTempFileName(c.subfolder, c.prefix, c.extension));
        EXPECT_TRUE(std::regex_match(name, std::regex(c.shape))) << name;
        EXPECT_TRUE(stdfs::is_directory(stdfs::path(name).parent_path())) << name;
    }
    // Names are only names, and the write tests leave nothing behind.
    for (const auto& entry : stdfs::recursive_directory_iterator(base_)) {
        EXPECT_TRUE(entry.is_directory()) << entry.path();
    }
    TempFile file = createTempFile(u"unlocked_", u".pdf");
    ASSERT_TRUE(file.file.valid());
    EXPECT_EQ(utf8(platform::fs::parentPath(file.path)), base_.string() + "/Varto");
}

// Everything in the program's folder is its user's only, whatever the
// source's mode and the umask; the root without TMPDIR is a private folder.
TEST_F(TempFilesTest, TemporaryFilesAndFoldersArePrivate) {
    auto mode = [](const stdfs::path& path) {
        return static_cast<unsigned>(stdfs::status(path).permissions()) & 0777u;
    };
    const stdfs::path source = base_ / "shared.pdf";
    writeText(source, "data");
    stdfs::permissions(source, stdfs::perms(0644));
    ZString copy = makeTempFileName(u"Varto", u"compress_", u".pdf");
    ASSERT_TRUE(copyFileWithRetries(wide(source), copy));
    ZString folder = makePrivateTempFolder(u"batch_");
    EXPECT_EQ(mode(utf8(appTempFolder())), 0700u);
    EXPECT_EQ(mode(utf8(copy)), 0600u);
    EXPECT_EQ(mode(utf8(folder)), 0700u);
    // Copies out of it are made the way the user makes files.
    ASSERT_TRUE(copyFileWithRetries(copy, wide(env_.path("saved.pdf"))));
    EXPECT_EQ(mode(env_.path("saved.pdf")), platform::fs::newFileMode());

    unsetenv("TMPDIR");
    const std::string own = "/tmp/varto-" + std::to_string(geteuid());
    EXPECT_EQ(utf8(tempRootFolder()), own);
    EXPECT_EQ(mode(own), 0700u);
}

TEST_F(TempFilesTest, NamesAreUniqueAcrossThreads) {
    std::mutex lock;
    std::set<std::u16string> names;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            std::vector<std::u16string> mine;
            for (int i = 0; i < 200; ++i) {
                mine.emplace_back(makeTempFileName(u"Varto", u"compress_", u".pdf").view());
            }
            std::lock_guard<std::mutex> guard(lock);
            names.insert(mine.begin(), mine.end());
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(names.size(), 1600u);
}

using TempFilesDeathTest = TempFilesTest;

TEST_F(TempFilesDeathTest, FolderThatCannotBeMadeOrWrittenStopsTheProgram) {
    writeText(base_ / "file", "x");
    const std::string belowFile = (base_ / "file" / "sub").string();
    EXPECT_EXIT(ensureFolderWritable(wide(belowFile)), testing::ExitedWithCode(1),
                "^Could not create temporary files folder\n"
                "The following temporary files folder does not exist and could not be created by "
                "the current user\\. Please ensure that Varto can create and write into that "
                "folder\\. Please check permissions of the parent folder or try to delete it if "
                "it is specific to Varto\\.\r\n\r\n" +
                    belowFile + "\nTemporary files folder could not be created\n$");
    // Not even root may make files in /proc; ten attempts about 10 ms apart.
    uint32_t start = platform::tickCount();
    EXPECT_EXIT(
        ensureFolderWritable(u"/proc"), testing::ExitedWithCode(1),
        "^Temporary files folder not writeable\n"
        "The following temporary files folder is not writeable by the current user\\. Please "
        "ensure that Varto can write into that folder by checking permissions or try to delete "
        "that folder if it is specific to Varto\\.\r\n\r\n/proc\n"
        "Temporary files folder not writeable\n$");
    EXPECT_GE(platform::tickCount() - start, 90u);

    // A folder below the temporary root that others may enter, and a root
    // whose path the tools could not be given, are refused the same way.
    const struct {
        std::string folder, reason;
    } refused[] = {
        {(base_ / "shared").string(), "It must be a folder of the current user, not a link, "},
        {(base_ / "a\"quote").string(), "Its path contains a double quote or a line feed"},
        {(base_ / "a\nline").string(), "Its path contains a double quote or a line feed"},
    };
    stdfs::create_directory(base_ / "shared");
    stdfs::permissions(base_ / "shared", stdfs::perms(0755));
    for (const auto& row : refused) {
        setenv("TMPDIR", row.folder.find("shared") == std::string::npos ? row.folder.c_str()
                                                                         : base_.c_str(), 1);
        EXPECT_EXIT(ensureFolderWritable(wide(row.folder)), testing::ExitedWithCode(1),
                    "^Temporary files folder not writeable\n[^\r]*\r\n\r\n[^\r]*\r\n\r\n" +
                        row.reason)
            << row.folder;
    }
}

TEST_F(TempFilesDeathTest, RegisteredPathsAreRemovedAtExit) {
    const stdfs::path file = base_ / "registered.pdf", folder = base_ / "folder",
                      neighbour = base_ / "not-registered.pdf", outside = base_ / "outside",
                      parentOwned = base_ / "parent-owned.pdf";
    stdfs::create_directories(folder / "sub");
    stdfs::create_directory(outside);
    for (const auto& path :
         {file, folder / "sub" / "inner.txt", outside / "keep.txt", neighbour, parentOwned}) {
        writeText(path, "x");
    }
    stdfs::create_directory_symlink(outside, folder / "link");
    // Registered here, in the test process: a child exiting leaves it alone.
    registerTempFile(wide(parentOwned));

    EXPECT_EXIT(
        {
            registerTempFile(wide(file));
            registerTempFile(wide(folder));
            registerTempFile(wide(base_ / "never-existed"));
            registerTempFile(ZString());
            exit(0);
        },
        testing::ExitedWithCode(0), "");

    EXPECT_FALSE(stdfs::exists(file));
    EXPECT_FALSE(stdfs::exists(folder));
    EXPECT_TRUE(stdfs::exists(neighbour));
    EXPECT_TRUE(stdfs::exists(outside / "keep.txt"));  // links are removed, not followed
    EXPECT_TRUE(stdfs::exists(parentOwned));
}

TEST_F(TempFilesTest, CopyRetriesAndGivesUpAfterFiveAttempts) {
    const stdfs::path source = base_ / "source.pdf", destination = base_ / "destination.pdf";
    writeText(source, "new contents");
    // A folder in the destination's place blocks the copy, for root too.
    for (uint32_t freedAfter : {200u, 1500u}) {
        stdfs::remove(destination);
        stdfs::create_directory(destination);
        std::thread unblock([&] {
            platform::sleepMs(freedAfter);
            stdfs::remove(destination);
        });
        uint32_t start = platform::tickCount();
        bool copied = copyFileWithRetries(wide(source), wide(destination));
        uint32_t elapsed = platform::tickCount() - start;
        unblock.join();
        if (freedAfter == 200u) {
            EXPECT_TRUE(copied);
            EXPECT_EQ(readText(destination), "new contents");
        } else {
            EXPECT_FALSE(copied);
            EXPECT_GE(elapsed, 400u);  // four pauses of 100 ms between five attempts
        }
    }
    // An existing, longer destination is overwritten, not merged.
    writeText(destination, "much longer old contents");
    EXPECT_TRUE(copyFileWithRetries(wide(source), wide(destination)));
    EXPECT_EQ(readText(destination), "new contents");
    EXPECT_FALSE(copyFileWithRetries(u"", wide(destination)));
}

TEST_F(TempFilesTest, CopyErrorBoxTellsWhatFailed) {
    const stdfs::path source = base_ / "source.pdf", destination = base_ / "destination.pdf";
    stdfs::create_directory(destination);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(copyFileWithErrorBox(wide(source), wide(destination), nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // missing source: no box

    writeText(source, "data");
    testing::internal::CaptureStderr();
    // Without a display the box answers Cancel.
    EXPECT_FALSE(copyFileWithErrorBox(wide(source), wide(destination), nullptr));
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(),
        "File copy error\nCould not write to file.\n\nErrorCode=21\nErrorMsg=Is a directory\n\n"
        "Source=" +
            source.string() + "\nDestination=" + destination.string() + "\n");

    // Private copies are named by the user's file, never by their own path.
    const stdfs::path privateCopy = base_ / "Varto" / "run_7" / "compress_1.pdf";
    stdfs::create_directories(privateCopy.parent_path());
    writeText(privateCopy, "data");
    const std::string user = "/home/someone/report.pdf";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(copyFileWithErrorBox(wide(privateCopy), wide(destination), nullptr,
                                      userFileName(u"/home/someone/", u"report.pdf")));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "File copy error\nCould not write to file.\n\nErrorCode=21\nErrorMsg=Is a "
              "directory\n\nSource=a private copy of " + user +
                  " in the temporary folder\nDestination=" + destination.string() + "\n");
    const stdfs::path privateTarget = base_ / "Varto" / "compress_2.pdf";
    stdfs::create_directory(privateTarget);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(copyFileWithErrorBox(wide(source), wide(privateTarget), nullptr));
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "\nDestination=a private copy in the temporary folder\n"),
              std::string::npos);
}

TEST_F(TempFilesTest, FileHelpers) {
    const stdfs::path file = base_ / "five.bin";
    writeText(file, "12345");
    EXPECT_EQ(fileSize(wide(file)), 5);
    EXPECT_EQ(fileSize(wide(base_)), -1);  // a folder is no file
    // File times are Unix times in nanoseconds.
    const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
    EXPECT_NEAR(static_cast<double>(lastWriteTime(wide(file))), static_cast<double>(now), 10e9);
    EXPECT_EQ(lastWriteTime(wide(base_ / "missing")), -1);
    // Paths split at "/" only: a backslash is part of a Linux name.
    EXPECT_EQ(utf8(platform::fs::fileName(u"/a/b\\c.pdf")), "b\\c.pdf");
    EXPECT_EQ(utf8(platform::fs::fileName(u"c.pdf")), "c.pdf");
    EXPECT_EQ(utf8(platform::fs::parentPath(u"/c.pdf")), "/");
    EXPECT_EQ(platform::fs::extensionDot(u"/a.d/c"), -1);
    EXPECT_EQ(platform::fs::extensionDot(u"a.b\\c"), 1);
    // A file copied onto itself stays as it was.
    EXPECT_FALSE(copyFileWithRetries(wide(file), wide(file)));
    EXPECT_EQ(readText(file), "12345");
    EXPECT_TRUE(createFolders(wide(base_ / "a" / "b" / "c")));
    EXPECT_FALSE(createFolders(wide(file / "below-a-file")));
    writeText(base_ / "a" / "b" / "c" / "f.txt", "x");
    deleteRecursively(wide(base_ / "a"));
    EXPECT_FALSE(stdfs::exists(base_ / "a"));
}

}  // namespace
