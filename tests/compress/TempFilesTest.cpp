#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "compress/TempFiles.h"
#include "platform/Clock.h"

namespace {

namespace stdfs = std::filesystem;

std::string utf8(const ZString& s) { return s.toUtf8(); }
ZString wide(const std::string& s) { return ZString::fromUtf8(s); }

void writeText(const stdfs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const stdfs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A private folder and the temporary-folder variables pointing into it,
// restored afterwards.
class TempFilesTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"TMPDIR", "TMP", "TEMP"}) {
            const char* value = getenv(name);
            saved_.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
        }
        char pattern[] = "/tmp/varto-tempfiles-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        base_ = pattern;
        setenv("TMPDIR", base_.c_str(), 1);
        unsetenv("TMP");
        unsetenv("TEMP");
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
        stdfs::remove_all(base_);
    }

    stdfs::path base_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(TempFilesTest, RootFollowsTheVariablesInOrder) {
    EXPECT_EQ(utf8(tempRootFolder()), base_.string());
    stdfs::create_directory(base_ / "temp");
    setenv("TMPDIR", (base_ / "missing").c_str(), 1);
    setenv("TMP", (base_ / "also-missing").c_str(), 1);
    setenv("TEMP", (base_ / "temp").c_str(), 1);
    EXPECT_EQ(utf8(tempRootFolder()), (base_ / "temp").string());

    setenv("TEMP", (base_ / "gone").c_str(), 1);
    EXPECT_EQ(utf8(tempRootFolder()), ".");

    // Variables inside the value are expanded; trailing separators go.
    setenv("VARTO_TEST_BASE", base_.c_str(), 1);
    setenv("TMPDIR", "${VARTO_TEST_BASE}/temp//\\", 1);
    EXPECT_EQ(utf8(tempRootFolder()), (base_ / "temp").string());
    unsetenv("VARTO_TEST_BASE");
    setenv("TMPDIR", base_.c_str(), 1);
    EXPECT_EQ(utf8(appTempFolder()), base_.string() + "/Varto");
}

TEST_F(TempFilesTest, NameShapes) {
    setenv("TMPDIR", (base_.string() + "///").c_str(), 1);
    const std::string folder = base_.string() + "/Varto/";
    std::string name = utf8(makeTempFileName(u"Varto", u"compress_gs_", u".pdf"));
    EXPECT_TRUE(std::regex_match(name, std::regex(folder + R"(compress_gs_\d+_\d+_\d+\.pdf)")))
        << name;
    EXPECT_TRUE(stdfs::is_directory(folder));

    name = utf8(makeTempFileName(u"//Varto", u"abc", u".txt"));
    EXPECT_TRUE(std::regex_match(name, std::regex(folder + R"(abc_\d+_\d+_\d+\.txt)"))) << name;

    name = utf8(makeTempFileName(u"Varto", u"", u".gs"));
    EXPECT_TRUE(std::regex_match(name, std::regex(folder + R"(\d+_\d+_\d+\.gs)"))) << name;

    name = utf8(makeTempFileName(ZString(), u"x", u""));
    EXPECT_TRUE(std::regex_match(name, std::regex(base_.string() + R"(/x_\d+_\d+_\d+)"))) << name;

    // A subfolder two levels down is made with its parent.
    name = utf8(makeTempFileName(u"Varto/deep", u"p", u".pdf"));
    EXPECT_TRUE(stdfs::is_directory(folder + "deep"));

    // Names are only names, and the write tests leave nothing behind.
    EXPECT_FALSE(stdfs::exists(name));
    for (const auto& entry : stdfs::recursive_directory_iterator(base_)) {
        EXPECT_TRUE(entry.is_directory()) << entry.path();
    }
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

TEST_F(TempFilesTest, CreateTempFileMakesAnOpenFileInTheProgramFolder) {
    TempFile file = createTempFile(u"unlocked_", u".pdf");
    ASSERT_TRUE(file.file.valid());
    EXPECT_EQ(utf8(platform::fs::parentPath(file.path)), base_.string() + "/Varto");
    EXPECT_TRUE(platform::fs::writeAll(file.file.get(), "data", 4));
    EXPECT_EQ(fileSize(file.path), 4);

    TempFile second = createTempFile(u"unlocked_", u".pdf");
    EXPECT_NE(utf8(second.path), utf8(file.path));
    EXPECT_TRUE(second.file.valid());
}

using TempFilesDeathTest = TempFilesTest;

TEST_F(TempFilesDeathTest, FolderThatCannotBeMadeStopsTheProgram) {
    writeText(base_ / "file", "x");
    const std::string folder = (base_ / "file" / "sub").string();
    EXPECT_EXIT(ensureFolderWritable(wide(folder)), testing::ExitedWithCode(1),
                "^Could not create temporary files folder\n"
                "The following temporary files folder does not exist and could not be created by "
                "the current user\\. Please ensure that Varto can create and write into that "
                "folder\\. Please check permissions of the parent folder or try to delete it if "
                "it is specific to Varto\\.\r\n\r\n" +
                    folder + "\nTemporary files folder could not be created\n$");
}

TEST_F(TempFilesDeathTest, FolderThatCannotBeWrittenStopsTheProgram) {
    // Not even root may make files in /proc.
    EXPECT_EXIT(
        ensureFolderWritable(u"/proc"), testing::ExitedWithCode(1),
        "^Temporary files folder not writeable\n"
        "The following temporary files folder is not writeable by the current user\\. Please "
        "ensure that Varto can write into that folder by checking permissions or try to delete "
        "that folder if it is specific to Varto\\.\r\n\r\n/proc\n"
        "Temporary files folder not writeable\n$");
    // Ten attempts about 10 ms apart before giving up.
    uint32_t start = platform::tickCount();
    EXPECT_EXIT(ensureFolderWritable(u"/proc"), testing::ExitedWithCode(1), "");
    EXPECT_GE(platform::tickCount() - start, 90u);
}

TEST_F(TempFilesDeathTest, RegisteredPathsAreRemovedAtExit) {
    const stdfs::path file = base_ / "registered.pdf";
    const stdfs::path folder = base_ / "folder";
    const stdfs::path neighbour = base_ / "not-registered.pdf";
    const stdfs::path outside = base_ / "outside";
    const stdfs::path parentOwned = base_ / "parent-owned.pdf";
    writeText(file, "x");
    stdfs::create_directories(folder / "sub");
    writeText(folder / "sub" / "inner.txt", "y");
    stdfs::create_directory(outside);
    writeText(outside / "keep.txt", "z");
    stdfs::create_directory_symlink(outside, folder / "link");
    writeText(neighbour, "n");
    writeText(parentOwned, "p");
    // Registered here, in the test process: a child exiting leaves it alone.
    registerTempFile(wide(parentOwned.string()));

    EXPECT_EXIT(
        {
            registerTempFile(wide(file.string()));
            registerTempFile(wide(folder.string()));
            registerTempFile(wide((base_ / "never-existed").string()));
            registerTempFile(ZString());
            exit(0);
        },
        testing::ExitedWithCode(0), "");

    EXPECT_FALSE(stdfs::exists(file));
    EXPECT_FALSE(stdfs::exists(folder));
    EXPECT_TRUE(stdfs::exists(neighbour));
    EXPECT_EQ(readText(outside / "keep.txt"), "z");  // links are removed, not followed
    EXPECT_TRUE(stdfs::exists(parentOwned));
}

TEST_F(TempFilesTest, CopyRetriesUntilTheDestinationFrees) {
    const stdfs::path source = base_ / "source.pdf";
    const stdfs::path destination = base_ / "destination.pdf";
    writeText(source, "new contents");
    // A folder in the destination's place blocks the copy, for root too.
    stdfs::create_directory(destination);
    std::thread unblock([&] {
        platform::sleepMs(200);
        stdfs::remove(destination);
    });
    EXPECT_TRUE(copyFileWithRetries(wide(source.string()), wide(destination.string())));
    unblock.join();
    EXPECT_EQ(readText(destination), "new contents");

    // An existing, longer destination is overwritten, not merged.
    writeText(destination, "much longer old contents");
    EXPECT_TRUE(copyFileWithRetries(wide(source.string()), wide(destination.string())));
    EXPECT_EQ(readText(destination), "new contents");

    EXPECT_FALSE(copyFileWithRetries(u"", wide(destination.string())));
    EXPECT_FALSE(copyFileWithRetries(wide(source.string()), u""));
}

TEST_F(TempFilesTest, CopyGivesUpAfterFiveAttempts) {
    const stdfs::path source = base_ / "source.pdf";
    const stdfs::path destination = base_ / "destination.pdf";
    writeText(source, "data");
    stdfs::create_directory(destination);
    std::thread unblock([&] {
        platform::sleepMs(1500);
        stdfs::remove(destination);
    });
    uint32_t start = platform::tickCount();
    EXPECT_FALSE(copyFileWithRetries(wide(source.string()), wide(destination.string())));
    uint32_t elapsed = platform::tickCount() - start;
    unblock.join();
    EXPECT_GE(elapsed, 400u);  // four pauses of 100 ms between five attempts
}

TEST_F(TempFilesTest, CopyErrorBoxTellsWhatFailed) {
    const stdfs::path source = base_ / "source.pdf";
    const stdfs::path destination = base_ / "destination.pdf";
    stdfs::create_directory(destination);

    testing::internal::CaptureStderr();
    EXPECT_FALSE(copyFileWithErrorBox(wide(source.string()), wide(destination.string()), nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // missing source: no box

    writeText(source, "data");
    testing::internal::CaptureStderr();
    // Without a display the box answers Cancel.
    EXPECT_FALSE(copyFileWithErrorBox(wide(source.string()), wide(destination.string()), nullptr));
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(),
        "File copy error\nCould not write to file.\n\nErrorCode=21\nErrorMsg=Is a directory\n\n"
        "Source=" +
            source.string() + "\nDestination=" + destination.string() + "\n");
}

TEST_F(TempFilesTest, FileHelpers) {
    const stdfs::path file = base_ / "five.bin";
    writeText(file, "12345");
    EXPECT_EQ(fileSize(wide(file.string())), 5);
    EXPECT_EQ(fileSize(wide(base_.string())), -1);
    EXPECT_EQ(fileSize(wide((base_ / "missing").string())), -1);
    EXPECT_EQ(fileSize(u""), -1);

    // File times count 100 ns from 1601.
    const int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
    const int64_t expected = (now + 11644473600LL) * 10000000LL;
    EXPECT_NEAR(static_cast<double>(lastWriteTime(wide(file.string()))),
                static_cast<double>(expected), 10 * 10000000.0);
    EXPECT_EQ(lastWriteTime(wide((base_ / "missing").string())), -1);

    EXPECT_TRUE(createFolders(wide((base_ / "a" / "b" / "c").string())));
    EXPECT_TRUE(stdfs::is_directory(base_ / "a" / "b" / "c"));
    EXPECT_TRUE(createFolders(wide((base_ / "a" / "b").string())));
    EXPECT_FALSE(createFolders(wide((file / "below-a-file").string())));

    writeText(base_ / "a" / "b" / "c" / "f.txt", "x");
    deleteRecursively(wide((base_ / "a").string()));
    EXPECT_FALSE(stdfs::exists(base_ / "a"));
    deleteRecursively(wide((base_ / "a").string()));  // missing: nothing happens
    deleteRecursively(wide(file.string()));
    EXPECT_FALSE(stdfs::exists(file));

    EXPECT_EQ(utf8(windowsFolder()), "/usr/share");
}

}  // namespace
