// The programs that never open a window run on a machine without a desktop:
// none of them loads GTK, GDK, WebKit or JavaScriptCore.

#include <gtest/gtest.h>

#include <regex>

#include "../compress/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

using namespace enginetest;

TEST(LinkedLibrariesTest, CommandLineProgramsNeedNoDesktopLibraries) {
    const std::regex desktop(R"(^\s*(lib(gtk|gdk)-\d|libwebkit2gtk|libjavascriptcoregtk)\S*)", std::regex::multiline);
    for (const char* program : {"varto-compress-cli", "varto-DocTool", "varto-fetch"}) {
        std::string libraries = shellOutput("ldd '" + testsupport::binPath(program) + "'");
        ASSERT_TRUE(contains(libraries, "libc.so")) << program << ": " << libraries;
        std::smatch found;
        EXPECT_FALSE(std::regex_search(libraries, found, desktop)) << program << " loads " << found[0];
    }
    // The window program does load them: the pattern finds what it should.
    EXPECT_TRUE(std::regex_search(shellOutput("ldd '" + testsupport::binPath("varto-compress") + "'"), desktop));
}
