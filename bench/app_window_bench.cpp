// The window program's responsiveness, measured inside the program on a
// display (run it under xvfb-run): start to first paint of the main window,
// and the longest stall of the GUI thread while 20 files compress, beside
// the same figure for the idle window. The figures go to standard error;
// standard output carries the tools' log, as in the program.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/MyGUI.h"
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

// Milliseconds the GUI thread has waited for a CPU while ready to run (the
// kernel's scheduler statistics; 0 where they are missing).
double runQueueWaitMs() {
    std::ifstream stats("/proc/thread-self/schedstat");
    double onCpu = 0, waiting = 0;
    stats >> onCpu >> waiting;
    return waiting / 1e6;
}

// The longest time between two 10 ms ticks, less the 10 ms: how long the
// GUI thread could not answer; and how much of it the thread only waited
// for a CPU that other programs held.
Clock::time_point lastTick;
double lastWait = 0;
double longestStall = 0;
double stallWaiting = 0;
void onTick(uint32_t) {
    double stall = msSince(lastTick) - 10;
    double wait = runQueueWaitMs();
    if (stall > longestStall) {
        longestStall = stall;
        stallWaiting = wait - lastWait;
    }
    lastTick = Clock::now();
    lastWait = wait;
}

struct Phase {
    double stall = 0;
    double waiting = 0;
    double refreshGap = 0;
};

template <class Until>
Phase measure(PaintWatch& watch, Until until) {
    longestStall = 0;
    stallWaiting = 0;
    watch.longestRefreshGap = 0;
    watch.lastRefresh = {};
    lastTick = Clock::now();
    lastWait = runQueueWaitMs();
    uint32_t timer = platform::ThreadTimer::start(10, &onTick);
    while (!until()) platform::gui::Gui::pump(true);
    platform::ThreadTimer::stop(timer);
    return {longestStall, stallWaiting, watch.longestRefreshGap};
}

}  // namespace

int main() {
    Clock::time_point start = Clock::now();
    if (!platform::gui::Gui::init()) {
        fprintf(stderr, "app_window_bench: no display; run it under xvfb-run -a\n");
        return 2;
    }
    double displayOpen = msSince(start);
    const char* corpus = getenv("VARTO_CORPUS");
    std::string folder = std::string(corpus ? corpus : VARTO_BENCH_CORPUS) + "/";
    std::vector<std::string> names = {"tiny-parallel-cheat-libreoffice.pdf",
                                      "vector-gofpdf-charts.pdf", "scan-doc-gray-jpeg.pdf"};
    for (const std::string& name : names) {
        if (!std::filesystem::exists(folder + name)) {
            fprintf(stderr, "app_window_bench: %s%s is missing\n", folder.c_str(), name.c_str());
            return 2;
        }
    }
    // Started as the program is, with two files on its command line.
    MyGUI* window = startApplication(
        {ZString::fromUtf8(folder + names[0]), ZString::fromUtf8(folder + names[1])});
    if (!window) return 2;
    double started = msSince(start);
    PaintWatch watch;
    window->getWindow().addListener(&watch);
    while (window->firstPaintTime() == Clock::time_point{}) platform::gui::Gui::pump(true);
    double firstPaint = std::chrono::duration<double, std::milli>(window->firstPaintTime() - start)
                            .count();
    fprintf(stderr, "start to first paint:            %7.1f ms (goal < 300)\n", firstPaint);
    fprintf(stderr, "  display open %.1f ms, command line's two files listed %.1f ms\n",
            displayOpen,
           started);
    while (window->getWindow().getText() != u"Varto Compress (2 / 2)") {
        platform::gui::Gui::pump(true);
    }

    Phase idle = measure(watch, [t = Clock::now()] { return msSince(t) > 3000; });

    for (int i = 0; i < 20; ++i) {
        window->addFile(ZString::fromUtf8(folder + names[2]), ZString(), ZString());
    }
    Phase busy = measure(
        watch, [&] { return window->getWindow().getText() == u"Varto Compress (22 / 22)"; });
    FileProcessor::instance().stop();

    fprintf(stderr, "longest GUI stall, idle:          %7.1f ms (%.1f ms waiting for a CPU)\n",
            idle.stall, idle.waiting);
    fprintf(stderr,
            "longest GUI stall, 20 compressing:%7.1f ms (goal < 50; %.1f ms waiting for a CPU)\n",
            busy.stall, busy.waiting);
    fprintf(stderr, "refresh late by at most, idle:    %7.1f ms\n", idle.refreshGap);
    fprintf(stderr, "refresh late by at most, busy:    %7.1f ms (goal < 50)\n", busy.refreshGap);
    bool met = firstPaint < 300 && busy.stall < 50 && busy.refreshGap < 50;
    return met ? 0 : 1;
}
