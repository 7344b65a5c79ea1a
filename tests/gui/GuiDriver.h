#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Process.h"
#include "tests/support/TestSupport.h"

// Drives xhtml-view from outside, as a user would: real X pointer and key
// events through xdotool, read back from the program's standard output,
// its window and screenshots, on an X server of its own.
namespace gui_test {

struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int centerX() const { return x + width / 2; }
    int centerY() const { return y + height / 2; }
};

// The geometry xhtml-view prints for Ctrl+D.
struct Geometry {
    std::map<std::string, Box> boxes;
    std::map<std::string, std::vector<int>>
        frames;  // client w h, scroll x y, document w h, hbar, vbar
    std::map<std::string, std::pair<int, int>> fits;  // drop-down: width, width needed
    std::string tooltip;
    Box tooltipOnScreen;  // where the tip shows, in screen coordinates
    int layouts = 0;
    int boxesLaidOut = 0;
};

// Runs a program to its end; its exit code, output in *output.
int run(const std::vector<std::string>& argv, std::string* output = nullptr);
std::string binDir();
std::string sourceDir();

class Viewer {
public:
    // Starts xhtml-view with the arguments and waits for its window (title).
    Viewer(const std::vector<std::string>& args, const std::string& title);
    ~Viewer();

    bool ok() const { return !window_.empty(); }
    const std::string& window() const { return window_; }
    int pid() const { return process_->pid(); }
    // The client area's top-left corner on the screen.
    int originX() const { return originX_; }
    int originY() const { return originY_; }

    // Pointer and keys, in client coordinates.
    void move(int x, int y);
    void click(int x, int y, int button = 1);
    void press(int x, int y);
    void release();
    void wheel(int x, int y, bool down, int notches = 1);
    void key(const std::string& keys);
    void type(const std::string& text);

    // Waits until a line equal to `line` was printed after the lines
    // already consumed; consumes up to it. False after the time-out.
    bool waitFor(const std::string& line, int timeoutMs = 5000);
    // All lines printed so far.
    std::vector<std::string> lines();
    Geometry geometry();
    // Closes with Ctrl+Q and returns the exit code (-1 when it hangs).
    int quit();

private:
    void pump(int waitMs);
    std::unique_ptr<platform::Process> process_;
    std::string buffer_;
    std::vector<std::string> lines_;
    size_t consumed_ = 0;
    std::string window_;
    int originX_ = 0;
    int originY_ = 0;
};

// The id of a shown window whose name matches the pattern, or empty after
// the time-out.
std::string shownWindow(const std::string& pattern, int timeoutMs = 10000);

// A screenshot of the screen's top-left width x height pixels.
bool screenshot(const std::string& path, int width, int height);
// Red, green and blue of one pixel of a PNG file (0xRRGGBB), -1 on failure.
long pixelOf(const std::string& path, int x, int y);

// A pixel a screenshot should show: screen position and colour (0xRRGGBB).
struct Pixel {
    int x = 0;
    int y = 0;
    long color = 0;
};
// Takes screenshots (kept in `path`) until every pixel shows its colour;
// false after the time-out. A program paints after it has handled the X
// event that changed its state, so a single screenshot can come too early.
bool waitForPixels(const std::string& path, int width, int height, const std::vector<Pixel>& pixels,
                   int timeoutMs = 10000);

}  // namespace gui_test
