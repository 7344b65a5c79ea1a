// Round trip of a script bridge call: a page of an allowed origin (a local web
// server) awaits 500 calls of external.getFileSize one after another, timed
// in batches of ten, and reports the median and the 90th percentile of the
// batch means (goal: median under 2 ms). Beside it, the page's own fetch
// of a file of its server.
// Needs a display: xvfb-run -a build/bin/browser_bridge_bench
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "async/GlibGuiThread.h"
#include "browser/EmbeddedBrowser.h"
#include "platform/gui/Gui.h"
#include "platform/gui/Window.h"
#include "tests/support/PageServer.h"

namespace fs = std::filesystem;

static const char* kPage = R"(<!DOCTYPE html><html><body><script>
(async function () {
  const file = await external.createTempFile('.txt');
  async function measure(call) {
    const t = [];
    for (let i = 0; i < 20; i++) await call();
    // The page's clock counts whole milliseconds: time batches of ten calls.
    for (let i = 0; i < 50; i++) {
      const s = performance.now();
      for (let j = 0; j < 10; j++) await call();
      t.push((performance.now() - s) / 10);
    }
    t.sort((a, b) => a - b);
    return t[25].toFixed(3) + ' ' + t[45].toFixed(3);
  }
  const bridge = await measure(() => external.getFileSize(file));
  const fetched = await measure(() => fetch('bench.html').then((r) => r.text()));
  await fetch('/report', { method: 'POST', body: bridge + ' ' + fetched });
})();
</script></body></html>)";

int main() {
    if (!platform::gui::Gui::init()) {
        std::fprintf(stderr, "browser_bridge_bench: no display (run under xvfb-run -a)\n");
        return 2;
    }
    char pattern[] = "/tmp/browser-bench-XXXXXX";
    fs::path folder = mkdtemp(pattern);
    setenv("TMPDIR", folder.c_str(), 1);
    std::ofstream(folder / "bench.html") << kPage;
    PageServer pages(folder.string(), 1);

    platform::gui::Window::Params params;
    params.title = u"bridge bench";
    params.width = 400;
    params.height = 100;
    params.flags = platform::gui::kVisible;
    platform::WindowHandle window = platform::gui::Window::create(params);
    async::GlibGuiThread::instance().openWindow(window);
    int status = 1;
    {
        browser::EmbeddedBrowser browser(window, {}, {pages.origin(0)});
        browser.setRect({0, 0, 400, 100});
        browser.navigate(pages.origin(0) + "/bench.html");
        pages.waitFor([&](const std::vector<std::string>&) { return !pages.reports(0).empty(); }, 120000,
                      [] { platform::gui::Gui::pump(false); });
        const std::string text = pages.reports(0).empty() ? "" : pages.reports(0)[0];
        double median = 0, p90 = 0, fetchMedian = 0, fetchP90 = 0;
        if (std::sscanf(text.c_str(), "%lf %lf %lf %lf", &median, &p90, &fetchMedian, &fetchP90) == 4) {
            std::printf("bridge call round trip: median %.3f ms, p90 %.3f ms (goal: median < 2 ms)\n", median, p90);
            std::printf("page fetch of its server's file: median %.3f ms, p90 %.3f ms (ratio bridge/fetch %.2f)\n",
                        fetchMedian, fetchP90, fetchMedian > 0 ? median / fetchMedian : 0);
            status = median < 2.0 ? 0 : 1;
        } else {
            std::printf("the page did not report\n");
        }
    }
    async::GlibGuiThread::instance().closeWindow(window);
    platform::gui::Window::destroy(window);
    fs::remove_all(folder);
    return status;
}
