#pragma once

// Shared helpers of the engine's tests: expected-file dumps, a document laid
// out from markup at a chosen width and resolution, lookups of its views,
// and small pictures written next to it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>

#include "platform/gfx/Font.h"
#include "platform/gfx/Image.h"
#include "xhtml/BoxView.h"
#include "xhtml/DocumentRenderer.h"
#include "xhtml/WordView.h"

namespace platform::gfx {
inline void PrintTo(const Rect& r, std::ostream* os) {
    *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}
inline void PrintTo(const Color& c, std::ostream* os) {
    *os << "rgba(" << int(c.red) << ", " << int(c.green) << ", " << int(c.blue) << ", "
        << int(c.alpha) << ")";
}
}  // namespace platform::gfx

namespace xhtml::testing {

inline const std::filesystem::path kDataDir = std::filesystem::path(VARTO_SOURCE_DIR) / "tests/data/xhtml";

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Compares a dump (view tree or boxes) with its expected file, so a change
// shows up as a readable difference. VARTO_UPDATE_DUMPS=1 rewrites the file
// instead; review the diff before committing it.
inline void expectSameAsFile(const std::string& dump, const std::filesystem::path& expectedFile) {
    if (std::getenv("VARTO_UPDATE_DUMPS")) {
        std::ofstream(expectedFile, std::ios::binary) << dump;
        return;
    }
    EXPECT_EQ(dump, readFile(expectedFile)) << "differs from " << expectedFile;
}

class Page {
public:
    Page(const std::string& body, int width, int dpi = 96,
         const std::filesystem::path& folder = {}) {
        DocumentRenderer::Options options;
        options.width = width;
        options.dpi = dpi;
        options.applyLanguage = false;
        renderer_ = std::make_unique<DocumentRenderer>(options);
        const std::string base =
            folder.empty() ? std::string("res:///") : "file://" + (folder / "page.xhtml").string();
        renderer_->loadMarkup(
            ZString::fromUtf8("<html><body style=\"margin:0\">" + body + "</body></html>"),
            ZString::fromUtf8(base));
        renderer_->layout();
    }

    View* byId(const char* id) const {
        View* v = renderer_->document()->findViewById(ZString::fromUtf8(id));
        EXPECT_NE(v, nullptr) << id;
        return v;
    }
    BoxView* box(const char* id) const { return static_cast<BoxView*>(byId(id)); }
    Rect rect(const char* id) const {
        View* v = byId(id);
        return v ? v->rect() : Rect{};
    }
    // The n-th word view (0-based) with this text.
    WordView* word(const char16_t* text, int n = 0) const {
        WordView* found = nullptr;
        renderer_->document()->forEachInTree([&](View* v) {
            if (v->type() == kWordView && static_cast<WordView*>(v)->text() == text && n-- == 0) {
                found = static_cast<WordView*>(v);
                return false;
            }
            return true;
        });
        EXPECT_NE(found, nullptr);
        return found;
    }
    Rect wordRect(const char16_t* text, int n = 0) const {
        WordView* w = word(text, n);
        return w ? w->rect() : Rect{};
    }
    std::unique_ptr<platform::gfx::Dc> paint() const { return renderer_->paint(); }

private:
    std::unique_ptr<DocumentRenderer> renderer_;
};

inline bool near(platform::gfx::Color a, platform::gfx::Color b, int tolerance = 2) {
    return std::abs(a.red - b.red) <= tolerance && std::abs(a.green - b.green) <= tolerance &&
           std::abs(a.blue - b.blue) <= tolerance;
}

// Width of a text in the default font (13 px at 96 dpi).
inline int textWidth(const char16_t* text, int dpi = 96) {
    return platform::gfx::Font::shared(-(13 * dpi / 96), 400, false, u"Verdana")
        ->measure(text)
        .width;
}

// A temporary folder, removed with its content; add() writes one-colour
// pictures for img and background-image tests.
class TempFolder {
public:
    TempFolder() {
        path_ =
            std::filesystem::temp_directory_path() /
            ("varto-layout-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + std::to_string(reinterpret_cast<uintptr_t>(this)));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    void add(const std::string& name, int width, int height, platform::gfx::Color color) const {
        auto image = platform::gfx::Image::create(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) image->setPixel(x, y, color);
        ASSERT_TRUE(image->writePng((path_ / name).string()));
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace xhtml::testing
