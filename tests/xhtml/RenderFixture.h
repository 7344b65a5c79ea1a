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
#include "tests/support/TestSupport.h"
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

using testsupport::readFile;

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

using testsupport::TempFolder;

// A one-colour picture for img and background-image tests.
inline void writePicture(const std::string& path, int width, int height, platform::gfx::Color color) {
    auto image = platform::gfx::Image::create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image->setPixel(x, y, color);
    ASSERT_TRUE(image->writePng(path));
}

}  // namespace xhtml::testing
