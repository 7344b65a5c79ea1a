#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "RenderFixture.h"
#include "suite/Language.h"
#include "xhtml/LayoutDump.h"

using xhtml::BoxView;
using xhtml::DocumentRenderer;
using xhtml::Rect;
using xhtml::View;
using Color = platform::gfx::Color;
using testsupport::ScopedEnv;

namespace {

std::filesystem::path artifactDir() {
    auto dir = std::filesystem::path(VARTO_BINARY_DIR) / "artifacts";
    std::filesystem::create_directories(dir);
    return dir;
}

// The main window's document rendered as the window shows it, with the
// PNG and the box dump kept in the build folder for people to look at. The
// position and size of every box is compared with the layout file when one
// is named; the tests below check the pixels and the few sizes the window's
// design names.
class UiRender {
public:
    UiRender(int dpi, const std::string& name, const char* hoverId = nullptr, const std::string& layout = "") {
        DocumentRenderer::Options options;
        options.dpi = dpi;
        if (hoverId) options.hoverId = ZString::fromUtf8(hoverId);
        renderer_ = std::make_unique<DocumentRenderer>(options);
        std::string error;
        loaded_ = renderer_->load("res:///ui.xhtml", &error);
        EXPECT_TRUE(loaded_) << error;
        if (!loaded_) return;
        renderer_->layout();
        dc_ = renderer_->paint();
        dc_->writePng((artifactDir() / (name + ".png")).string());
        const std::string boxes = xhtml::dumpLayout(renderer_->document());
        std::ofstream(artifactDir() / (name + ".txt")) << boxes;
        if (!layout.empty()) xhtml::testing::expectSameAsFile(boxes, xhtml::testing::kDataDir / "layout" / layout);
    }
    Rect rect(const char* id) const {
        View* v = renderer_->document()->findViewById(ZString::fromUtf8(id));
        EXPECT_NE(v, nullptr) << id;
        return v ? v->rect() : Rect{};
    }
    Rect classRect(const char* cls) const {
        View* v = renderer_->document()->findFirstByClass(ZString::fromUtf8(cls));
        EXPECT_NE(v, nullptr) << cls;
        return v ? v->rect() : Rect{};
    }
    Color pixel(int x, int y) const { return dc_->pixel(x, y); }
    bool loaded() const { return loaded_; }
    DocumentRenderer& renderer() const { return *renderer_; }
    xhtml::Size page() const { return {dc_->width(), dc_->height()}; }

private:
    std::unique_ptr<DocumentRenderer> renderer_;
    std::unique_ptr<platform::gfx::Dc> dc_;
    bool loaded_ = false;
};

// The labels in one language, read without the user's configuration: an
// empty configuration folder and LANG. The previous language comes back.
class Language {
public:
    explicit Language(const char* code) : lang_("LANG", std::string(code)) { lang_reload(); }

private:
    struct ReloadAtEnd {
        ~ReloadAtEnd() { lang_reload(); }
    } reload_;  // destroyed last, after the variables are back
    xhtml::testing::TempFolder folder_;
    ScopedEnv home_{"VARTO_CONFIG_HOME", folder_.path()};
    ScopedEnv lang_;
};

}  // namespace

// The form area fits its scrolling box at every resolution the window is
// made for, in both languages: every box and word of the form lies inside
// the box's client area, so no scroll bar appears. The window as each case
// shows it is kept in build/artifacts/ui-<dpi>-<language>.png; in English at
// 144 dpi its boxes are those of ui-144.layout.
TEST(UiRenderTest, FormFitsItsScrollingBoxAtEveryResolutionInBothLanguages) {
    for (const char* language : {"en", "de"}) {
        Language chosen(language);
        for (int dpi : {96, 120, 144, 192}) {
            const std::string name = "ui-" + std::to_string(dpi) + "-" + language;
            SCOPED_TRACE(name);
            UiRender ui(dpi, name, nullptr, dpi == 144 && language == std::string("en") ? "ui-144.layout" : "");
            ASSERT_TRUE(ui.loaded());
            auto* form = static_cast<BoxView*>(ui.renderer().document()->findViewById(u"formValuesBox"));
            ASSERT_NE(form, nullptr);
            ASSERT_EQ(form->type(), xhtml::kIFrameView);
            const Rect client = form->getContentRect();
            int checked = 0;
            form->forEachInTree([&](View* v) {
                if (v == form || (v->type() != xhtml::kWordView && !xhtml::isCompositeType(v->type())))
                    return true;
                const Rect r = v->rect();
                if (r.isEmpty()) return true;  // inline containers have no rectangle of their own
                EXPECT_GE(r.left, client.left) << v->type() << " " << v->styleString(xhtml::StyleId::ElementName).toUtf8();
                EXPECT_LE(r.right, client.right) << v->type() << " " << v->styleString(xhtml::StyleId::ElementName).toUtf8();
                EXPECT_LE(r.bottom, client.bottom) << v->type() << " " << v->styleString(xhtml::StyleId::ElementName).toUtf8();
                ++checked;
                return true;
            });
            EXPECT_GT(checked, 20);
        }
    }
}

TEST(UiRenderTest, MainWindowAt96Dpi) {
    UiRender ui(96, "ui-96", nullptr, "ui-96.layout");
    ASSERT_TRUE(ui.loaded());
    // The window sizes itself to what its body's content took (755 x 383 in
    // the layout dump).
    EXPECT_EQ(ui.page(), (xhtml::Size{755, 383}));

    EXPECT_EQ(ui.pixel(0, 100), Color::rgb(0xE0, 0xE0, 0xE0));  // the list's border
    EXPECT_EQ(ui.pixel(0, 250), Color::rgb(0xE0, 0xE0, 0xE0));  // the form box's border
    EXPECT_EQ(ui.pixel(540, 325), Color::rgb(0xFB, 0xFB, 0xFB));
    EXPECT_FALSE(xhtml::testing::near(ui.pixel(650, 20), Color::rgb(255, 255, 255), 20));  // the banner
    EXPECT_EQ(ui.pixel(10, 332), Color::rgb(255, 255, 255));  // the line
    EXPECT_EQ(ui.pixel(5, 340), Color::rgb(0x80, 0x80, 0x80));  // the footer
    int white = 0;
    for (int x = 0; x < 755; ++x)
        for (int y = 348; y < 368; ++y) white += ui.pixel(x, y) == Color::rgb(255, 255, 255);
    EXPECT_GT(white, 100);  // the bold white links

    // The body's gradient shows between the panes: white at the top, grey below.
    auto expected = [](int y) { return 255 - static_cast<int>((255 - 0xE0) * (y + 0.5) / 383); };
    EXPECT_NEAR(ui.pixel(552, 0).red, expected(0), 2);
    EXPECT_NEAR(ui.pixel(552, 331).red, expected(331), 2);
    EXPECT_NEAR(ui.pixel(700, 331).green, expected(331), 2);
}

TEST(UiRenderTest, HoveredToolButtonChangesColoursNotSize) {
    UiRender ui(96, "ui-96-hover", "actionCalcSize");
    ASSERT_TRUE(ui.loaded());
    EXPECT_EQ(ui.rect("actionCalcSize"), (Rect{136, 0, 272, 80}));
    EXPECT_EQ(ui.pixel(150, 70), Color::rgb(0xFF, 0xEC, 0xB5));
    EXPECT_EQ(ui.pixel(138, 40), Color::rgb(0xE5, 0xC3, 0x65));
    EXPECT_EQ(ui.pixel(10, 70), Color::rgb(255, 255, 255));
    EXPECT_EQ(ui.pixel(2, 40), Color::rgb(0xE0, 0xE0, 0xE0));
}
