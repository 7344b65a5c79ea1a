// The whole document engine on one input: parse, build the views, lay them
// out, move the pointer over them (hover styles re-lay out boxes) and paint
// into a small image, all without a display. Nothing is read from outside
// the input: every URL loads as nothing, so pictures are empty boxes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/gfx/Dc.h"
#include "xhtml/HtmlView.h"
#include "xhtml/UrlLoader.h"
#include "xhtml/ViewContext.h"

using namespace xhtml;

namespace {

class NothingLoader : public UrlLoader {
public:
    uint32_t load(const ZString&, std::string&) override { return 0; }
};

constexpr int kResolutions[] = {96, 120, 144, 192};
constexpr int kImageSide = 128;

}  // namespace

// Fontconfig, Pango and Cairo keep their caches for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libpango\nleak:libcairo\nleak:libharfbuzz\nleak:libglib-2.0\n"
           "leak:libgobject-2.0\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Big inputs only slow the search down; the window document is 4 kB.
    if (size < 2 || size > 16 * 1024) return 0;
    // The first byte picks the resolution and the page width.
    View::setScreenDpi(kResolutions[data[0] & 3]);
    const int width = 40 + (data[0] >> 2) * 12;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    auto document = HtmlView::createDocument();
    document->context()->setUrlLoader(std::make_unique<NothingLoader>());
    document->setMarkup(ZString::fromUtf8(text));
    Rect used;
    document->layoutInRect({0, 0, width, 0}, used);
    ViewEvent attach{ViewEvent::kAttach, false};
    document->handleEvent(attach);

    // Hover, press and leave at a point inside the page.
    const Rect page = document->getRect();
    const Point point{std::min(page.width() - 1, width / 2), std::min(page.height() - 1, 10)};
    for (uint32_t buttons : {0u, unsigned(kLeftDown), unsigned(kLeftUp), unsigned(kMouseLeftFrame)}) {
        MouseEvent event{point, buttons};
        document->handleMouse(event);
    }

    auto dc = platform::gfx::Dc::createImage(kImageSide, kImageSide);
    document->paint(*dc, {0, 0, kImageSide, kImageSide});
    return 0;
}
