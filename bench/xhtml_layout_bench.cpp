// Layout and paint timing of the window document and of a generated 200 KB
// document, and how many boxes a hover over one tool button re-lays out.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/gfx/Dc.h"
#include "xhtml/BoxView.h"
#include "xhtml/DocumentRenderer.h"
#include "xhtml/Layouter.h"
#include "xhtml/UrlLoader.h"

namespace {

// CPU time of this thread, so other processes on a busy machine do not count.
double threadMicros() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

double median(std::vector<double> times) {
    std::nth_element(times.begin(), times.begin() + static_cast<long>(times.size() / 2),
                     times.end());
    return times[times.size() / 2];
}

// Paragraphs with inline styles, links and tables, repeated to the size.
ZString generatedDocument(size_t minimumChars) {
    std::u16string text =
        u"<html><head><style>p { margin:4px } .k { color:#336699; font-weight:bold }"
        u" .box { border:1px solid #E0E0E0; padding:3px; background-color:#FBFBFB }"
        u" td { padding:2px }</style></head><body style=\"margin:8px\">";
    int block = 0;
    while (text.size() < minimumChars) {
        text +=
            u"<p>The <span class=\"k\">quick</span> brown fox jumps over the <i>lazy</i> dog while "
            u"<b>bold words</b> and <a href=\"actionGo\">a link of two words</a> run along a line "
            u"that "
            u"wraps more than once in a window of ordinary width, paragraph " +
            std::u16string(1, char16_t(u'0' + block % 10)) +
            u".</p><div class=\"box\"><table cellspacing=\"2\" style=\"width:100%\"><tr>"
            u"<td style=\"width:30%\">A label cell</td><td>Some value text that may wrap</td></tr>"
            u"<tr><td>Second row</td><td><span style=\"color:red\">red</span> and plain</td></tr>"
            u"</table></div>\n";
        ++block;
    }
    text += u"</body></html>";
    return ZString(text);
}

struct Timing {
    double build = 0;
    double layout = 0;
    double paint = 0;
    double total() const { return build + layout + paint; }
};

// One full run: build, lay out at `width` (-1: the body's own width), paint
// the whole page in bands 2048 pixels high so a long page needs no huge image.
Timing runOnce(const ZString& text, int width) {
    Timing t;
    xhtml::DocumentRenderer::Options options;
    options.width = width;
    options.applyLanguage = false;
    double start = threadMicros();
    xhtml::DocumentRenderer renderer(options);
    renderer.loadMarkup(text);
    t.build = threadMicros() - start;
    start = threadMicros();
    const xhtml::Size page = renderer.layout();
    t.layout = threadMicros() - start;
    start = threadMicros();
    constexpr int kTile = 2048;
    auto dc = platform::gfx::Dc::createImage(page.width, std::min(page.height, kTile));
    for (int top = 0; top < page.height; top += kTile) {
        platform::gfx::Dc::SaveScope scope(*dc);
        dc->translate(0, -top);
        const xhtml::Rect clip{0, top, page.width, top + kTile};
        dc->fillRect(clip, platform::gfx::Color::rgb(255, 255, 255));
        renderer.document()->paint(*dc, clip);
    }
    t.paint = threadMicros() - start;
    return t;
}

bool report(const char* name, const ZString& text, int width, int runs, double goalMicros) {
    runOnce(text, width);  // fonts and images warm up once, as in a running program
    std::vector<double> build, layout, paint, total;
    for (int i = 0; i < runs; ++i) {
        const Timing t = runOnce(text, width);
        build.push_back(t.build);
        layout.push_back(t.layout);
        paint.push_back(t.paint);
        total.push_back(t.total());
    }
    const double all = median(total);
    std::printf("%s (%d characters, median of %d runs)\n", name, text.length(), runs);
    std::printf("  parse and build    %10.1f us\n", median(build));
    std::printf("  layout             %10.1f us\n", median(layout));
    std::printf("  paint              %10.1f us\n", median(paint));
    std::printf("  all together       %10.1f us  goal < %.0f us: %s\n", all, goalMicros,
                all < goalMicros ? "met" : "MISSED");
    return all < goalMicros;
}

// Boxes laid out again when the pointer enters the second tool button.
bool reportHover(const ZString& ui) {
    xhtml::DocumentRenderer renderer({});
    renderer.loadMarkup(ui);
    renderer.layout();
    auto* toolBar = static_cast<xhtml::BoxView*>(renderer.document()->findFirstByClass(u"toolBar"));
    xhtml::View* button = renderer.document()->findViewById(u"actionCalcSize");
    if (!toolBar || !button) {
        std::printf("hover: the tool bar is missing\n");
        return false;
    }
    xhtml::layoutCounters() = {};
    const xhtml::Rect r = button->rect();
    xhtml::MouseEvent move{{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, 0};
    const double start = threadMicros();
    toolBar->handleMouse(move);
    const double micros = threadMicros() - start;
    const int boxes = xhtml::layoutCounters().boxesLaidOut;
    std::printf(
        "hover over one tool button: %d box(es) laid out again, %d measured, %.1f us  goal 1 box: "
        "%s\n",
        boxes, xhtml::layoutCounters().boxesMeasured, micros, boxes == 1 ? "met" : "MISSED");
    return boxes == 1;
}

}  // namespace

int main() {
    ZString ui;
    if (!xhtml::UrlLoader().loadText(u"res:///ui.xhtml", ui)) {
        std::fprintf(stderr, "xhtml_layout_bench: res:///ui.xhtml is missing\n");
        return 2;
    }
    bool met = report("ui.xhtml at 96 dpi", ui, -1, 200, 2000.0);
    met = report("generated document at 1000 px", generatedDocument(200 * 1024), 1000, 11,
                 190000.0) &&
          met;
    met = reportHover(ui) && met;
    return met ? 0 : 1;
}
