// What a desktop and a software centre read: the AppStream file, the desktop
// entry, the icons and manual pages of an installed tree, and how a file
// manager's "Open with" starts the program.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "../compress/EngineTestSupport.h"
#include "base/Version.h"
#include "tests/support/TestSupport.h"

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

const std::string kSource = VARTO_SOURCE_DIR;
const std::string kMetainfo = kSource + "/resources/io.github.varto.Compress.metainfo.xml";
const std::string kDesktop = kSource + "/resources/varto-compress.desktop";

// Width and height from a PNG's header.
std::pair<int, int> pngSize(const std::string& path) {
    std::string bytes = readFile(path);
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0) return {0, 0};
    auto number = [&](size_t at) {
        int value = 0;
        for (size_t i = at; i < at + 4; ++i) value = value * 256 + static_cast<unsigned char>(bytes[i]);
        return value;
    };
    return {number(16), number(20)};
}

}  // namespace

TEST(DesktopMetadataTest, AppStreamAndDesktopEntryValidate) {
    std::string out = shellOutput("appstreamcli validate --no-net '" + kMetainfo + "'; echo exit=$?");
    EXPECT_TRUE(out.ends_with("exit=0\n")) << out;
    EXPECT_FALSE(std::regex_search(out, std::regex("^[EW]:", std::regex::multiline))) << out;
    out = shellOutput("desktop-file-validate '" + kDesktop + "'; echo exit=$?");
    EXPECT_EQ(out, "exit=0\n");

    // The metadata names the desktop entry that exists, and the screenshot
    // it promises is the one shipped, at its real size.
    std::string metainfo = readFile(kMetainfo);
    EXPECT_NE(metainfo.find("<launchable type=\"desktop-id\">varto-compress.desktop</launchable>"),
              std::string::npos);
    std::smatch shot;
    ASSERT_TRUE(std::regex_search(metainfo, shot,
                                  std::regex(R"re(width="(\d+)" height="(\d+)">[^<]*/([^/<]+)</image>)re")));
    auto [width, height] = pngSize(kSource + "/docs/screenshots/" + shot[3].str());
    EXPECT_EQ(std::to_string(width) + "x" + std::to_string(height), shot[1].str() + "x" + shot[2].str());
    // Its newest release is the version this build carries.
    std::smatch release;
    ASSERT_TRUE(std::regex_search(metainfo, release, std::regex(R"re(<release version="([^"]+)")re")));
    EXPECT_EQ(release[1].str(), ZString(kProductVersion).toUtf8());
}

TEST(DesktopMetadataTest, InstalledTreeHasIconsAtEveryStandardSizeAndTheMetadata) {
    testsupport::TempFolder prefix("varto-desktop");
    std::string out = shellOutput("cmake --install " VARTO_BINARY_DIR " --prefix '" + prefix.path() +
                                  "' >/dev/null; echo exit=$?");
    ASSERT_EQ(out, "exit=0\n");
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        std::string icon = prefix.path() + "/share/icons/hicolor/" + std::to_string(size) + "x" +
                           std::to_string(size) + "/apps/varto-compress.png";
        EXPECT_EQ(pngSize(icon), std::make_pair(size, size)) << icon;
    }
    std::string installed = prefix.path() + "/share/metainfo/io.github.varto.Compress.metainfo.xml";
    EXPECT_EQ(readFile(installed), readFile(kMetainfo));
    for (const char* page : {"varto-compress", "varto-compress-cli", "varto-DocTool"}) {
        out = shellOutput("man -l '" + prefix.path() + "/share/man/man1/" + page + ".1.gz' | head -1");
        EXPECT_NE(out.find("User Commands"), std::string::npos) << page << ": " << out;
    }
}

// A file manager starts the program through GIO from the desktop entry; each
// chosen file must arrive as one absolute path, whatever its name holds.
TEST(DesktopMetadataTest, OpenWithHandsEachFileAsOneArgument) {
    testsupport::TempFolder folder("varto-desktop");
    fs::create_directories(folder.path() + "/bin");
    std::string recorder = folder.path() + "/bin/varto-compress";
    writeFile(recorder, "#!/bin/sh\nfor a in \"$@\"; do printf '%s|' \"$a\"; done > \"$0.args\"\n");
    fs::permissions(recorder, fs::perms::owner_all);
    writeFile(folder.path() + "/a b.pdf", "");
    writeFile(folder.path() + "/it's \"q\".pdf", "");
    std::string out = shellOutput("cd '" + folder.path() + "' && env -u DISPLAY PATH='" + folder.path() +
                                  "/bin':\"$PATH\" gio launch '" + kDesktop +
                                  "' 'a b.pdf' \"it's \\\"q\\\".pdf\"; echo exit=$?");
    EXPECT_EQ(out, "exit=0\n");
    ASSERT_TRUE(waitUntil([&] { return fs::exists(recorder + ".args"); }, 10000));
    EXPECT_EQ(readFile(recorder + ".args"),
              folder.path() + "/a b.pdf|" + folder.path() + "/it's \"q\".pdf|");
}
