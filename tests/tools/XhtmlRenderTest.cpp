#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "platform/gfx/Image.h"

// xhtml-render as a program: the window document to a PNG without a display.

namespace {

std::string renderTool() { return testsupport::binPath("xhtml-render"); }

clitest::CliResult render(const std::vector<std::string>& args) {
    std::vector<std::string> argv{renderTool()};
    argv.insert(argv.end(), args.begin(), args.end());
    return clitest::runCliArgv(argv);
}

class XhtmlRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(renderTool())) GTEST_SKIP() << "xhtml-render is not built";
        ASSERT_FALSE(folder_.path().empty());
    }
    std::string out(const char* name) const { return folder_.file(name); }

    clitest::TempFolder folder_{"xhtml-render-test"};
};

}  // namespace

TEST_F(XhtmlRenderTest, WindowDocumentTakesItsOwnWidthAndScalesWithTheResolution) {
    ASSERT_EQ(render({"res:///ui.xhtml", out("ui.png")}).exitCode, 0u);
    auto page = platform::gfx::Image::load(out("ui.png"));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->width(), 755);
    EXPECT_EQ(page->height(), 383);
    ASSERT_EQ(render({"--dpi", "144", "--width", "1200", "--hover", "actionAdd", "--lang", "de",
                      "res:///ui.xhtml", out("ui144.png")})
                  .exitCode,
              0u);
    auto wide = platform::gfx::Image::load(out("ui144.png"));
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->width(), 1200);
    EXPECT_EQ(wide->pixel(20, 100),
              platform::gfx::Color::rgb(0xFF, 0xEC, 0xB5));  // the hovered button
}

TEST_F(XhtmlRenderTest, FilesAreReadWithPicturesBesideThem) {
    const std::string page = out("page.xhtml");
    {
        auto square = platform::gfx::Image::create(8, 8);
        for (int i = 0; i < 64; ++i)
            square->setPixel(i % 8, i / 8, platform::gfx::Color::rgb(0, 0, 255));
        ASSERT_TRUE(square->writePng(out("square.png")));
        testsupport::writeFile(page, "<html><body style='margin:0'><img src='square.png'/></body></html>");
    }
    ASSERT_EQ(render({page, out("page.png")}).exitCode, 0u);
    auto image = platform::gfx::Image::load(out("page.png"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width(), 8);
    EXPECT_EQ(image->pixel(7, 7), platform::gfx::Color::rgb(0, 0, 255));
}

TEST_F(XhtmlRenderTest, BadArgumentsAndMissingInputsFailClearly) {
    clitest::CliResult usage = render({"only-one-argument"});
    EXPECT_EQ(usage.exitCode, 2u);
    EXPECT_NE(usage.err.find("usage: xhtml-render"), std::string::npos);
    EXPECT_EQ(render({"--width", "wide", "res:///ui.xhtml", out("x.png")}).exitCode, 2u);
    clitest::CliResult missing = render({out("nothing.xhtml"), out("x.png")});
    EXPECT_EQ(missing.exitCode, 1u);
    EXPECT_NE(missing.err.find("cannot read"), std::string::npos);
    EXPECT_EQ(render({"res:///no-such-document.xhtml", out("x.png")}).exitCode, 1u);
    EXPECT_FALSE(std::filesystem::exists(out("x.png")));
}
