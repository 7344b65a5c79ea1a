// The window program's responsiveness, measured inside the program on a
// display (run it under xvfb-run): start to first paint of the main window,
// and the longest stall of the GUI thread while 20 files compress, beside
// the same figure for the idle window.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/Application.h"
#include "app/MyGUI.h"
#include "app/StartUp.h"
#include "compress/FileProcessor.h"
#include "platform/ThreadTimer.h"
#include "platform/gui/Gui.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Sees the window's messages before the window does.
struct PaintWatch : win::BaseWindow::IMessageListener {
    bool painted = false;
    Clock::time_point lastRefresh{};
    double longestRefreshGap = 0;
    void onWindowMessage(win::BaseWindow*, win::Message& message) override {
        if (message.msg == win::Msg::Paint) painted = true;
        if (message.msg == win::Msg::Timer && message.id == xhtml::FrameView::kTooltipTimer) {
            if (lastRefresh != Clock::time_point{}) {
                longestRefreshGap = std::max(longestRefreshGap, msSince(lastRefresh) - 500);
            }
            lastRefresh = Clock::now();
        }
    }
};

// The longest time between two 10 ms ticks, less the 10 ms: how long the
// GUI thread could not answer.
Clock::time_point lastTick;
double longestStall = 0;
void onTick(uint32_t) {
    longestStall = std::max(longestStall, msSince(lastTick) - 10);
    lastTick = Clock::now();
}

struct Phase {
    double stall = 0;
    double refreshGap = 0;
};

template <class Until>
Phase measure(PaintWatch& watch, Until until) {
    longestStall = 0;
    watch.longestRefreshGap = 0;
    watch.lastRefresh = {};
    lastTick = Clock::now();
    uint32_t timer = platform::ThreadTimer::start(10, &onTick);
    while (!until()) platform::gui::Gui::pump(true);
    platform::ThreadTimer::stop(timer);
    return {longestStall, watch.longestRefreshGap};
}

}  // namespace

int main() {
    Clock::time_point start = Clock::now();
    if (!platform::gui::Gui::init()) {
        fprintf(stderr, "app_window_bench: no display; run it under xvfb-run -a\n");
        return 2;
    }
    double displayOpen = msSince(start);
    createMarkerLocks();
    setUpEnvironment();
    double environment = msSince(start);
    MyGUI* window = createMainWindow();
    if (!window) return 2;
    double windowMade = msSince(start);
    PaintWatch watch;
    window->getWindow().addListener(&watch);
    while (!watch.painted) platform::gui::Gui::pump(true);
    double firstPaint = msSince(start);
    printf("  display open %.1f, environment %.1f, window and document %.1f ms\n", displayOpen,
           environment, windowMade);

    Phase idle = measure(watch, [t = Clock::now()] { return msSince(t) > 3000; });

    const char* corpus = getenv("VARTO_CORPUS");
    std::string source =
        std::string(corpus ? corpus : VARTO_BENCH_CORPUS) + "/scan-doc-gray-jpeg.pdf";
    if (!std::filesystem::exists(source)) {
        fprintf(stderr, "app_window_bench: %s is missing\n", source.c_str());
        return 2;
    }
    FileProcessor::instance().start();
    for (int i = 0; i < 20; ++i) window->addFile(ZString::fromUtf8(source), ZString(), ZString());
    Phase busy = measure(
        watch, [&] { return window->getWindow().getText() == u"Varto Compress (20 / 20)"; });
    FileProcessor::instance().stop();

    printf("start to first paint:            %7.1f ms (goal < 300)\n", firstPaint);
    printf("longest GUI stall, idle:          %7.1f ms\n", idle.stall);
    printf("longest GUI stall, 20 compressing:%7.1f ms (goal < 50)\n", busy.stall);
    printf("refresh late by at most, idle:    %7.1f ms\n", idle.refreshGap);
    printf("refresh late by at most, busy:    %7.1f ms (goal < 50)\n", busy.refreshGap);
    bool met = firstPaint < 300 && busy.stall < 50 && busy.refreshGap < 50;
    return met ? 0 : 1;
}
