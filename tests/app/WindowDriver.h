#pragma once

// Drives the real window program from outside, as a user would: a private
// X server per test, the program started as a child, xdotool for the
// pointer, keys and titles, and screenshots of the whole screen.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/gfx/Rect.h"
#include "tests/support/TestSupport.h"
#include "tests/support/XServer.h"

namespace xhtml {
class View;
}

namespace windowtest {

// Polls every pollMs until the condition holds; false after the time-out.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs, int pollMs = 100) {
    return testsupport::waitUntil(condition, timeoutMs, [pollMs] {
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    });
}

using test_support::XServer;

// A folder of its own, removed with everything in it.
class Folder {
public:
    explicit Folder(const std::string& prefix);
    ~Folder();
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A started program with its own environment; its standard output and
// error are kept in a file.
class Child {
public:
    Child(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
          const std::string& outputFile);
    ~Child();
    pid_t pid() const { return pid_; }
    bool exited();
    int exitCode() const { return exitCode_; }
    bool waitExit(int timeoutMs);
    void kill();

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int exitCode_ = -1;
};

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

struct Pixel {
    int r = 0, g = 0, b = 0;
};

// One running copy of varto-compress on a private display.
class App {
public:
    struct Options {
        std::vector<std::string> args;
        std::map<std::string, std::string> env;  // added to the test's environment
        int dpi = 96;
        std::string lang = "C.UTF-8";
        std::string configIni;  // the program's config.ini, when not empty
        std::string profilesIni;  // its profiles.ini (the form's last values), when not empty
    };

    explicit App(Options options);
    ~App();

    // Runs a command on this display with this program's environment;
    // its standard output.
    std::string run(const std::string& command) const;
    std::string runProgram(const std::vector<std::string>& argv, int* exitCode = nullptr) const;

    bool waitForWindow(int timeoutMs = 20000);
    // The id of a shown window of the program whose name matches the
    // pattern, or empty after the time-out.
    // The id of a shown window whose name matches the pattern, of this
    // program or (anyProgram) of any, or empty after the time-out.
    std::string waitForWindowNamed(const std::string& pattern, int timeoutMs,
                                   bool anyProgram = false) const;
    // A window of the program not among `before` (a dialog, a tooltip), or
    // empty after the time-out.
    std::string newWindow(const std::vector<std::string>& before, int timeoutMs) const;
    // Waits until the window is no longer shown.
    bool waitGone(const std::string& window, int timeoutMs = 10000) const;
    // The ids of the program's shown windows (tooltips and dialogs too).
    std::vector<std::string> shownWindows() const;
    std::string title() const;
    bool waitForTitle(const std::string& title, int timeoutMs);
    Geometry geometry() const;
    Geometry geometryOf(const std::string& window) const;
    // Pointer and keys; positions are in the window's client area.
    void moveTo(int x, int y) const;
    void click(int x, int y, int button = 1) const;
    // A click in another window (client position).
    void clickIn(const std::string& window, int x, int y, int button = 1) const;
    void doubleClick(int x, int y) const;
    void key(const std::string& keys) const;
    void typeText(const std::string& text) const;
    void focus() const;
    // Rests the pointer on a place of the window until a tooltip of the
    // program shows and is drawn, moving it off and back on when a hover
    // went unnoticed (a busy program may miss one); its id, or empty.
    std::string hoverUntilTooltip(int x, int y, int timeoutMs) const;
    // The text on the clipboard, as a program pasting it would get it.
    std::string clipboardText() const;
    // Puts files on the clipboard as a file manager does; null when it
    // never got there. The clipboard holds them while the result lives.
    std::unique_ptr<Child> putFilesOnClipboard(const std::vector<std::string>& paths) const;
    // What the focused text field holds, copied out of it.
    std::string fieldText() const;
    // Types into the focused text field until it holds the text (read back:
    // a field's completion or a late focus may eat keys on a busy machine).
    bool fillField(const std::string& text, const std::function<bool(const std::string&)>& holds = {}) const;
    // Focuses a dialog, types into it, presses a key; true once it is gone.
    bool answer(const std::string& window, const std::string& typed, const std::string& key) const;
    // Chooses a folder in the folder dialog: its path pasted into the
    // location field until the field holds it, then Return.
    bool chooseFolder(const std::string& dialog, const std::string& folder) const;
    // The whole screen as a PNG; the pixel at a client position.
    std::string screenshot(const std::string& path) const;
    // A screenshot once the window (the main one unless named) has stopped
    // changing, two in a row alike: what a user sees after looking at it.
    std::string steadyScreenshot(const std::string& path, const std::string& window = "") const;
    static Pixel pixelAt(const std::string& png, int x, int y);

    Child& process() { return *child_; }
    const std::string& tempFolder() const { return temp_->path(); }
    const std::string& output() const { return outputFile_; }
    std::string outputText() const;
    const std::string& windowId() const { return window_; }
    // Programs of ours still running below the window program (tools).
    std::vector<pid_t> childProcesses() const;
    std::map<std::string, std::string> environment() const { return env_; }

private:
    Options options_;
    std::unique_ptr<XServer> server_;
    std::unique_ptr<Folder> config_;
    std::unique_ptr<Folder> temp_;
    std::unique_ptr<Folder> runtime_;
    std::string outputFile_;
    std::map<std::string, std::string> env_;
    std::unique_ptr<Child> child_;
    std::string window_;
};

std::string sha256(const std::string& path);
std::string binDir();
std::string corpus(const std::string& name);
// A file of the shared corpus copied into the folder under another name.
std::string copyInto(const Folder& folder, const std::string& name, const std::string& as);
// A copy of a small corpus file protected with this user password.
std::string encryptedCopy(const Folder& folder, const std::string& name,
                          const std::string& password = "secret");
// build/artifacts, where screenshots are kept to be looked at.
std::string artifacts();
std::string readAll(const std::string& path);
// What the list said of a finished file: "<size> -> <new size>" from the
// last line the window wrote for it.
std::string listed(const App& app, const std::string& name);

// Where a view of a document lies in its window (client coordinates), laid
// out as the program lays it out: the first view `pick` accepts; `prepare`
// may change the document first.
platform::gfx::Rect laidOutBox(const std::function<bool(xhtml::View*)>& pick, int dpi = 96,
                               const std::string& lang = "C.UTF-8",
                               const std::string& url = "res:///ui.xhtml",
                               const std::function<void(xhtml::View&)>& prepare = {});
// Picks for it: the view with this id, the form field with this name.
std::function<bool(xhtml::View*)> withId(const std::string& id);
std::function<bool(xhtml::View*)> formField(const std::string& name);
platform::gfx::Rect elementBox(const std::string& id, int dpi = 96,
                               const std::string& lang = "C.UTF-8");
platform::gfx::Rect formFieldBox(const std::string& name, int dpi = 96,
                                 const std::string& lang = "C.UTF-8");
int centerX(const platform::gfx::Rect& r);
int centerY(const platform::gfx::Rect& r);

// Pixels of a screenshot inside a client rectangle of the window that match.
int countPixels(const std::string& png, const Geometry& window, const platform::gfx::Rect& r,
                const std::function<bool(Pixel)>& match);
bool isRed(Pixel p);
// The program's Ghostscript children.
std::vector<pid_t> ghostscripts(const App& app);
bool processGone(pid_t pid);
int regularFilesBelow(const std::string& folder);

}  // namespace windowtest
