// The command-line reader, the joiner that --send uses, and the start-up
// rules that are pure text: PATH and the update-check interval; the
// installed tree.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/FileHandlerArgs.h"
#include "app/StartUp.h"
#include "compress/TempFiles.h"

namespace {

std::string u8(const ZString& text) { return text.toUtf8(); }
ZString z(const std::string& text) { return ZString::fromUtf8(text); }

struct Folder {
    Folder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "varto-app-XXXXXX").string();
        path = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~Folder() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name) const {
        std::string full = path + "/" + name;
        std::ofstream(full) << "x";
        return full;
    }
    std::string path;
};

// What a command line made of: dir, name, profile, service, owner, files.
std::string dump(const FileHandlerArgs& args) {
    std::string out = "dir=" + u8(args.dir) + " name=" + u8(args.name) +
                      " profile=" + u8(args.profile) + " service=" + u8(args.serviceName) +
                      " owner=" + u8(args.owner) + " delete=" + (args.deleteFiles ? "1" : "0") +
                      " files=";
    for (const ZString& file : args.files) out += "[" + u8(file) + "]";
    return out;
}

}  // namespace

TEST(CommandLineTest, OptionsAndFilesAsTheReaderTakesThem) {
    Folder folder;
    std::string a = folder.file("a.pdf");
    std::string spaced = folder.file("with space.pdf");
    const std::string none = " profile= service= owner= delete=0 files=";
    struct Case {
        std::string line;
        std::string expected;
    } cases[] = {
        {"", "dir= name=" + none},
        {"\"" + a + "\"", "dir= name= profile= service= owner= delete=0 files=[" + a + "]"},
        // A path given twice is listed twice; a missing path is dropped.
        {"\"" + a + "\" \"" + a + "\" " + folder.path + "/missing.pdf",
         "dir= name= profile= service= owner= delete=0 files=[" + a + "][" + a + "]"},
        {"x -name Invoice \"" + spaced + "\"",
         "dir= name=Invoice profile= service= owner= delete=0 files=[" + spaced + "]"},
        // Values are taken as they are, even when they look like options.
        {"x -name -dir -dir", "dir= name=-dir" + none},
        {"x -dir", "dir= name=" + none},
        {"x -name one -name two -profile p -serviceName s -owner o -deleteFiles -unknown",
         "dir= name=two profile=p service=s owner=o delete=1 files="},
        {"x -Name N -deleteFile", "dir= name= profile= service= owner= delete=1 files="},
    };
    for (const Case& c : cases) {
        FileHandlerArgs args;
        args.parse(z(c.line), false);
        EXPECT_EQ(dump(args), c.expected) << c.line;
    }
}

TEST(CommandLineTest, JoinedArgumentsSplitBackUnchanged) {
    std::vector<std::vector<std::string>> lists = {
        {"-name", "Invoice", "/tmp/other.pdf"},
        {"/tmp/a b.pdf", "tail\\", "quote\"inside", "back\\\\\"slash", ""},
        {"first\"quote", "-dir", "C:\\x\\"},
        {},
    };
    for (const auto& list : lists) {
        std::vector<ZString> args;
        for (const std::string& arg : list) args.push_back(z(arg));
        struct Collect : CmdlineParser {
            std::vector<ZString> seen;
            int handleArg(const std::vector<ZString>& all, int index) override {
                seen.push_back(argAt(all, index));
                return 0;
            }
        } collect;
        collect.parse(joinCommandLine(args), false);
        // A leading quote forces an empty first argument in front.
        if (!list.empty() && list[0].find('"') != std::string::npos) {
            ASSERT_FALSE(collect.seen.empty());
            EXPECT_TRUE(collect.seen.front().isEmpty());
            collect.seen.erase(collect.seen.begin());
        }
        EXPECT_EQ(collect.seen, args) << u8(joinCommandLine(args));
    }
}

TEST(CommandLineTest, DeleteFilesRemovesOnlyFilesInTheTemporaryFolder) {
    Folder outside, temp;
    std::string kept = outside.file("kept.pdf");
    std::string inTemp = temp.file("passed.pdf");
    // The reader runs in a child whose exit clean-up removes what it registered.
    pid_t child = fork();
    if (child == 0) {
        setenv("TMPDIR", temp.path.c_str(), 1);
        std::vector<std::string> added;
        readWindowCommandLine(z("x -deleteFiles -name N \"" + kept + "\" \"" + inTemp + "\""),
                              [&](const ZString& path, const ZString& name, const ZString& dir) {
                                  added.push_back(u8(path) + "|" + u8(name) + "|" + u8(dir));
                                  return 0;
                              });
        bool ok = added == std::vector<std::string>{kept + "|N|", inTemp + "|N|"};
        std::exit(ok ? 0 : 3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(std::filesystem::exists(kept));
    EXPECT_FALSE(std::filesystem::exists(inTemp));
}

TEST(CommandLineTest, PathGainsInstallFoldersOnce) {
    struct Case {
        const char16_t* path;
        const char16_t* install;
        const char16_t* bin;
        const char16_t* expected;
    } cases[] = {
        {u"/usr/bin", u"/opt/v", u"/opt/v/bin", u"/opt/v:/opt/v/bin:/usr/bin"},
        {u"/usr/bin", u"/opt/v//", u"/opt/v", u"/opt/v:/usr/bin"},
        {u"/x:/opt/v:/opt/v/binary:/y", u"/opt/v", u"/opt/v/bin", u"/x:/opt/v:/opt/v/binary:/y"},
        {u"", u"/opt/v", u"/opt/v", u"/opt/v:"},
        {u"/usr/bin", u"", u"", u"/usr/bin"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pathWithInstallFolders(c.path, c.install, c.bin), c.expected) << u8(c.path);
    }
    EXPECT_FALSE(updateCheckDue(1000000, 1000000 - 431999));
    EXPECT_TRUE(updateCheckDue(1000000, 1000000 - 432000));
    EXPECT_TRUE(updateCheckDue(5, 0xFFF00000u));  // the clock wrapped
}

namespace {

// Runs a shell command; its standard output and error, and the exit code.
std::string shell(const std::string& command, int& code) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    std::string out;
    char buffer[4096];
    size_t count;
    while (pipe && (count = fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, count);
    int status = pipe ? pclose(pipe) : -1;
    code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

}  // namespace

// `cmake --install` gives a tree that works on its own: the programs find the
// installation values and the converter beside them, the desktop entry is
// valid.
TEST(CommandLineTest, InstalledTreeWorksFromItsPrefix) {
    Folder prefix, work;
    int code = -1;
    std::string out = shell("cmake --install " VARTO_BINARY_DIR " --prefix " + prefix.path, code);
    ASSERT_EQ(code, 0) << out;
    for (const char* file : {"bin/varto-compress", "bin/varto-compress-cli", "bin/varto-DocTool",
                             "share/varto/install.ini", "share/applications/varto-compress.desktop",
                             "share/icons/hicolor/48x48/apps/varto-compress.png",
                             "share/icons/hicolor/scalable/apps/varto-compress.svg",
                             "share/man/man1/varto-compress.1.gz",
                             "share/man/man1/varto-compress-cli.1.gz",
                             "share/man/man1/varto-DocTool.1.gz"}) {
        EXPECT_TRUE(std::filesystem::exists(prefix.path + "/" + file)) << file;
    }
    if (shell("command -v desktop-file-validate", code), code == 0) {
        out = shell("desktop-file-validate " + prefix.path +
                        "/share/applications/varto-compress.desktop",
                    code);
        EXPECT_EQ(code, 0) << out;
        EXPECT_EQ(out, "");
    }
    // The programs read the installed install.ini (its Ghostscript here
    // leaves a mark: --thorough runs it on every file) and convert the text
    // file with the converter beside them.
    std::string gs = work.path + "/gs";
    std::ofstream(gs) << "#!/bin/sh\ntouch " << work.path << "/gs-used\nexec gs \"$@\"\n";
    std::filesystem::permissions(gs, std::filesystem::perms::owner_all);
    std::ofstream(prefix.path + "/share/varto/install.ini")
        << "[Settings]\nGsWincCmdline=" << gs << "\nQpdfCmdline=qpdf\n";
    std::ofstream(work.path + "/notes.txt") << "Installed and working\n";
    std::string env = "cd " + work.path + " && env -u VARTO_INSTALL_INI VARTO_CONFIG_HOME=" +
                      work.path + " TMPDIR=" + work.path + " " + prefix.path + "/bin/";
    out = shell(env + "varto-compress-cli --thorough notes.txt", code);
    EXPECT_EQ(code, 0) << out;
    EXPECT_TRUE(std::filesystem::exists(work.path + "/notes_compressed.pdf")) << out;
    EXPECT_TRUE(std::filesystem::exists(work.path + "/gs-used")) << out;
    // The window program starts from there too: --send with no window says
    // so in one line.
    std::filesystem::create_directory(work.path + "/run");
    out = shell(env.substr(0, env.rfind(' ')) + " XDG_RUNTIME_DIR=" + work.path + "/run " +
                    prefix.path + "/bin/varto-compress --send notes.txt",
                code);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
}
