// Start to first paint of the main window with the embedded browser on and
// off, and the longest time the window's thread could not answer in the two
// seconds after (when the browser starts). Each start is a process of its
// own (this program again, with --child), on and off taking turns so other
// load on the machine hits both alike. Run it under xvfb-run.
#include <unistd.h>

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
#include "app/StartUp.h"
#include "platform/ThreadTimer.h"
#include "platform/gui/Gui.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 9;

struct PaintWatch : win::BaseWindow::IMessageListener {
    bool painted = false;
    void onWindowMessage(win::BaseWindow*, win::Message& message) override {
        if (message.msg == win::Msg::Paint) painted = true;
    }
};

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The longest time between two 10 ms ticks, less the 10 ms.
Clock::time_point lastTick;
double longestStall = 0;
void onTick(uint32_t) {
    longestStall = std::max(longestStall, msSince(lastTick) - 10);
    lastTick = Clock::now();
}

int child() {
    Clock::time_point start = Clock::now();
    if (!platform::gui::Gui::init()) return 2;
    createMarkerLocks();
    setUpEnvironment();
    MyGUI* window = createMainWindow();
    if (!window) return 2;
    PaintWatch watch;
    window->getWindow().addListener(&watch);
    while (!watch.painted) platform::gui::Gui::pump(true);
    double firstPaint = msSince(start);
    Clock::time_point painted = Clock::now();
    lastTick = painted;
    uint32_t timer = platform::ThreadTimer::start(10, &onTick);
    while (msSince(painted) < 2000) platform::gui::Gui::pump(true);
    platform::ThreadTimer::stop(timer);
    printf("%.1f %.1f\n", firstPaint, longestStall);
    fflush(stdout);
    _exit(0);  // the web processes end with the connection
}

struct Start {
    double firstPaint = -1;
    double stall = -1;
};

Start startOnce(const std::string& self, const std::string& config) {
    std::string command = "VARTO_CONFIG_HOME='" + config + "' '" + self + "' --child";
    Start start;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return start;
    if (fscanf(pipe, "%lf %lf", &start.firstPaint, &start.stall) != 2) start.firstPaint = -1;
    pclose(pipe);
    return start;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--child") return child();
    if (!getenv("DISPLAY")) {
        fprintf(stderr, "browser_paint_bench: no display; run it under xvfb-run -a\n");
        return 2;
    }
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    char pattern[] = "/tmp/browser-paint-XXXXXX";
    std::string folder = mkdtemp(pattern);
    const std::string on = folder + "/on", off = folder + "/off";
    std::filesystem::create_directories(on);
    std::filesystem::create_directories(off);
    // The local banner page: no network in the measurement.
    std::ofstream(on + "/config.ini") << "[Settings]\nEmbeddedBrowserUrl=varto://res/banner.html\n";
    std::ofstream(off + "/config.ini") << "[Settings]\nNoEmbeddedBrowser=true\n";
    startOnce(self, off);  // warms the caches for both
    std::vector<double> withBrowser, without, stallOn, stallOff;
    for (int round = 0; round < kRounds; ++round) {
        for (bool browser : {round % 2 == 0, round % 2 != 0}) {
            Start start = startOnce(self, browser ? on : off);
            if (start.firstPaint < 0) {
                fprintf(stderr, "browser_paint_bench: the window did not start\n");
                return 2;
            }
            (browser ? withBrowser : without).push_back(start.firstPaint);
            (browser ? stallOn : stallOff).push_back(start.stall);
        }
    }
    std::filesystem::remove_all(folder);
    double mOn = median(withBrowser), mOff = median(without);
    printf("start to first paint, browser off: %7.1f ms (median of %d)\n", mOff, kRounds);
    printf("start to first paint, browser on:  %7.1f ms (median of %d)\n", mOn, kRounds);
    printf("on / off:                           %7.2f (goal <= 1.10: the browser adds no wait)\n", mOn / mOff);
    printf("longest stall in the 2 s after, off:%7.1f ms (median)\n", median(stallOff));
    printf("longest stall in the 2 s after, on: %7.1f ms (median; the web view starting)\n", median(stallOn));
    return mOn / mOff <= 1.10 ? 0 : 1;
}
