#include "GuiDriver.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/gfx/Image.h"
#include "tests/support/XServer.h"

namespace gui_test {

namespace {

using Clock = std::chrono::steady_clock;

int msSince(Clock::time_point start) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

std::string xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string output;
    run(argv, &output);
    return output;
}

// Pointer tests own their screen: ctest runs other window tests beside them,
// and a window of theirs under the pointer would take its clicks.
class PrivateDisplay : public ::testing::Environment {
public:
    void SetUp() override {
        server_ = std::make_unique<test_support::XServer>(1280, 1024);
        if (!server_->display().empty()) setenv("DISPLAY", server_->display().c_str(), 1);
    }
    void TearDown() override { server_.reset(); }

private:
    std::unique_ptr<test_support::XServer> server_;
};

[[maybe_unused]] ::testing::Environment* const privateDisplay =
    ::testing::AddGlobalTestEnvironment(new PrivateDisplay);

}  // namespace

std::string binDir() {
    const char* dir = std::getenv("VARTO_BIN_DIR");
    return dir ? dir : VARTO_BINARY_DIR "/bin";
}

std::string sourceDir() { return VARTO_SOURCE_DIR; }

int run(const std::vector<std::string>& argv, std::string* output) {
    platform::Process process;
    if (process.spawn(argv, true) != 0) return -1;
    process.closeInput();
    char buffer[4096];
    const auto start = Clock::now();
    while (msSince(start) < 30000) {
        process.waitForActivity(100, false);
        int count;
        while ((count = process.read(platform::Process::Stream::Output, buffer, sizeof buffer)) > 0)
            if (output) output->append(buffer, static_cast<size_t>(count));
        if (count == 0 && process.exited()) break;
    }
    if (!process.waitExit(1000)) process.terminate();
    return static_cast<int>(process.exitCode());
}

Viewer::Viewer(const std::vector<std::string>& args, const std::string& title)
    : process_(std::make_unique<platform::Process>()) {
    std::vector<std::string> argv{binDir() + "/xhtml-view", "--timing"};
    argv.insert(argv.end(), args.begin(), args.end());
    if (process_->spawn(argv, false) != 0) return;
    const auto start = Clock::now();
    while (msSince(start) < 20000) {
        std::istringstream found(xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"}));
        std::string id;
        if (found >> id) {
            window_ = id;
            break;
        }
        pump(100);
    }
    if (window_.empty()) return;
    std::istringstream position(xdotool({"getwindowgeometry", "--shell", window_}));
    std::string line;
    while (std::getline(position, line)) {
        if (line.rfind("X=", 0) == 0) originX_ = std::atoi(line.c_str() + 2);
        if (line.rfind("Y=", 0) == 0) originY_ = std::atoi(line.c_str() + 2);
    }
    // Events before the document's first paint would meet an empty window.
    if (!waitFor("first-paint", 10000)) window_.clear();
}

Viewer::~Viewer() {
    if (process_ && !process_->exited()) process_->terminate();
}

void Viewer::pump(int waitMs) {
    process_->waitForActivity(waitMs, false);
    char chunk[4096];
    while (process_->bytesAvailable(platform::Process::Stream::Output) > 0) {
        const int count = process_->read(platform::Process::Stream::Output, chunk, sizeof chunk);
        if (count <= 0) break;
        buffer_.append(chunk, static_cast<size_t>(count));
    }
    size_t end;
    while ((end = buffer_.find('\n')) != std::string::npos) {
        lines_.push_back(buffer_.substr(0, end));
        buffer_.erase(0, end + 1);
    }
}

void Viewer::move(int x, int y) {
    // A synchronous move waits for motion, so it must never aim at where the pointer is.
    xdotool({"mousemove", std::to_string(originX_ + x + 1), std::to_string(originY_ + y)});
    xdotool({"mousemove", "--sync", std::to_string(originX_ + x), std::to_string(originY_ + y)});
}

void Viewer::click(int x, int y, int button) {
    move(x, y);
    xdotool({"click", std::to_string(button)});
}

void Viewer::press(int x, int y) {
    move(x, y);
    xdotool({"mousedown", "1"});
}

void Viewer::release() { xdotool({"mouseup", "1"}); }

void Viewer::wheel(int x, int y, bool down, int notches) {
    move(x, y);
    xdotool({"click", "--repeat", std::to_string(notches), "--delay", "30", down ? "5" : "4"});
}

void Viewer::key(const std::string& keys) {
    xdotool({"windowfocus", window_});
    xdotool({"key", "--clearmodifiers", keys});
}

void Viewer::type(const std::string& text) { xdotool({"type", "--delay", "20", text}); }

bool Viewer::waitFor(const std::string& line, int timeoutMs) {
    const auto start = Clock::now();
    for (;;) {
        for (size_t i = consumed_; i < lines_.size(); ++i) {
            if (lines_[i] == line) {
                consumed_ = i + 1;
                return true;
            }
        }
        if (msSince(start) > timeoutMs || process_->exited()) return false;
        pump(50);
    }
}

std::vector<std::string> Viewer::lines() {
    pump(0);
    return lines_;
}

Geometry Viewer::geometry() {
    Geometry geometry;
    const size_t from = lines_.size();
    key("ctrl+d");
    if (!waitFor("end")) return geometry;
    for (size_t i = from; i < consumed_; ++i) {
        std::istringstream in(lines_[i]);
        std::string kind;
        in >> kind;
        if (kind == "box") {
            std::string id;
            Box box;
            in >> id >> box.x >> box.y >> box.width >> box.height;
            geometry.boxes[id] = box;
        } else if (kind == "frame") {
            std::string id;
            std::string word;
            std::vector<int> values;
            in >> id;
            while (in >> word) {
                if (!word.empty() &&
                    (std::isdigit(static_cast<unsigned char>(word[0])) || word[0] == '-'))
                    values.push_back(std::atoi(word.c_str()));
            }
            geometry.frames[id] = values;
        } else if (kind == "fit") {
            std::string id;
            std::pair<int, int> fit;
            in >> id >> fit.first >> fit.second;
            geometry.fits[id] = fit;
        } else if (kind == "tooltip") {
            Box& tip = geometry.tooltipOnScreen;
            in >> geometry.tooltip >> tip.x >> tip.y >> tip.width >> tip.height;
        } else if (kind == "layouts") {
            std::string word;
            in >> geometry.layouts >> word >> geometry.boxesLaidOut;
        }
    }
    return geometry;
}

int Viewer::quit() {
    key("ctrl+q");
    if (!process_->waitExit(10000)) return -1;
    pump(0);
    return static_cast<int>(process_->exitCode());
}

bool screenshot(const std::string& path, int width, int height) {
    const std::string crop = std::to_string(width) + "x" + std::to_string(height) + "+0+0";
    return run({"import", "-window", "root", "-crop", crop, "+repage", path}) == 0;
}

long pixelOf(const std::string& path, int x, int y) {
    auto image = platform::gfx::Image::load(path);
    if (!image || x < 0 || y < 0 || x >= image->width() || y >= image->height()) return -1;
    const platform::gfx::Color c = image->pixel(x, y);
    return (static_cast<long>(c.red) << 16) | (c.green << 8) | c.blue;
}

bool waitForPixels(const std::string& path, int width, int height, const std::vector<Pixel>& pixels,
                   int timeoutMs) {
    return testsupport::waitUntil(
        [&] {
            return screenshot(path, width, height) &&
                   std::all_of(pixels.begin(), pixels.end(), [&](const Pixel& p) {
                       return pixelOf(path, p.x, p.y) == p.color;
                   });
        },
        timeoutMs);
}

std::string shownWindow(const std::string& pattern, int timeoutMs) {
    std::string id;
    testsupport::waitUntil(
        [&] {
            std::istringstream found(xdotool({"search", "--onlyvisible", "--name", pattern}));
            return static_cast<bool>(found >> id);
        },
        timeoutMs, [] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); });
    return id;
}

}  // namespace gui_test
