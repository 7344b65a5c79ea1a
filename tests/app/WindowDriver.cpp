#include "tests/app/WindowDriver.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/gfx/Image.h"
#include "suite/Language.h"
#include "xhtml/DocumentRenderer.h"
#include "xhtml/FormElement.h"
#include "xhtml/View.h"

extern char** environ;

namespace windowtest {

namespace {

std::string trim(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

std::string quote(const std::string& arg) {
    std::string out = "'";
    for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::vector<std::string> mergedEnvironment(const std::map<std::string, std::string>& extra) {
    std::map<std::string, std::string> all;
    for (char** entry = environ; *entry; ++entry) {
        std::string text = *entry;
        size_t equals = text.find('=');
        if (equals != std::string::npos) all[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : extra) all[name] = value;
    std::vector<std::string> out;
    for (const auto& [name, value] : all) out.push_back(name + "=" + value);
    return out;
}

pid_t parentOf(pid_t pid) {
    std::string stat = readAll("/proc/" + std::to_string(pid) + "/stat");
    size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    char state;
    int parent = -1;
    if (sscanf(stat.c_str() + close + 1, " %c %d", &state, &parent) != 2) return -1;
    return state == 'Z' ? -1 : parent;
}

}  // namespace

std::string readAll(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

Folder::Folder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data())) path_ = pattern;
}

Folder::~Folder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

Child::Child(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
             const std::string& outputFile) {
    std::vector<std::string> envText = mergedEnvironment(env);
    pid_ = fork();
    if (pid_ == 0) {
        int out = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        dup2(out, 1);
        dup2(out, 2);
        int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        std::vector<char*> args, envp;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        for (const std::string& entry : envText) envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
}

Child::~Child() {
    if (!exited()) {
        kill();
        waitExit(5000);
    }
}

bool Child::exited() {
    if (reaped_) return true;
    int status = 0;
    if (pid_ <= 0) return true;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
    reaped_ = true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
}

bool Child::waitExit(int timeoutMs) {
    return waitUntil([this] { return exited(); }, timeoutMs, 10);
}

void Child::kill() {
    if (!reaped_ && pid_ > 0) ::kill(pid_, SIGKILL);
}

std::string binDir() { return VARTO_BINARY_DIR "/bin"; }

std::string corpus(const std::string& name) {
    const char* folder = getenv("VARTO_CORPUS");
    return std::string(folder ? folder : VARTO_SOURCE_DIR "/../shared/corpus") + "/" + name;
}

std::string copyInto(const Folder& folder, const std::string& name, const std::string& as) {
    std::string target = folder / as;
    std::filesystem::copy_file(corpus(name), target, std::filesystem::copy_options::overwrite_existing);
    return target;
}

std::string encryptedCopy(const Folder& folder, const std::string& name, const std::string& password) {
    std::string target = folder / name;
    std::string command = "qpdf --encrypt " + password + " owner-" + password + " 256 -- " +
                          quote(corpus("tiny-parallel-cheat-libreoffice.pdf")) + " " + quote(target);
    return std::system(command.c_str()) == 0 ? target : std::string();
}

std::string artifacts() {
    std::string folder = VARTO_BINARY_DIR "/artifacts";
    std::filesystem::create_directories(folder);
    return folder;
}

std::string listed(const App& app, const std::string& name) {
    std::istringstream lines(app.outputText());
    std::string found;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(name + ": ", 0) == 0) found = line.substr(name.size() + 2);
    }
    return found;
}

platform::gfx::Rect laidOutBox(const std::function<bool(xhtml::View*)>& pick, int dpi,
                               const std::string& lang, const std::string& url,
                               const std::function<void(xhtml::View&)>& prepare) {
    setenv("LANG", lang.c_str(), 1);
    lang_reload();
    xhtml::DocumentRenderer::Options options;
    options.dpi = dpi;
    xhtml::DocumentRenderer renderer(options);
    renderer.load(url);
    if (prepare) prepare(*renderer.document());
    renderer.layout();
    platform::gfx::Rect found;
    renderer.document()->forEachInTree([&](xhtml::View* view) {
        if (!pick(view)) return true;
        found = view->getRect();
        return false;
    });
    return found;
}

std::function<bool(xhtml::View*)> withId(const std::string& id) {
    return [wanted = ZString::fromUtf8(id)](xhtml::View* view) { return view->getId() == wanted; };
}

std::function<bool(xhtml::View*)> formField(const std::string& name) {
    return [wanted = ZString::fromUtf8(name)](xhtml::View* view) {
        xhtml::FormElement* element = xhtml::FormElement::of(view);
        return element && element->getNameText() == wanted;
    };
}

platform::gfx::Rect elementBox(const std::string& id, int dpi, const std::string& lang) {
    return laidOutBox(withId(id), dpi, lang);
}

platform::gfx::Rect formFieldBox(const std::string& name, int dpi, const std::string& lang) {
    return laidOutBox(formField(name), dpi, lang);
}

int centerX(const platform::gfx::Rect& r) { return (r.left + r.right) / 2; }
int centerY(const platform::gfx::Rect& r) { return (r.top + r.bottom) / 2; }

int countPixels(const std::string& png, const Geometry& window, const platform::gfx::Rect& r,
                const std::function<bool(Pixel)>& match) {
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) count += match(App::pixelAt(png, window.x + x, window.y + y));
    }
    return count;
}

bool isRed(Pixel p) { return p.r > 140 && p.g < 90 && p.b < 90; }

std::string sha256(const std::string& path) {
    FILE* pipe = popen(("sha256sum " + quote(path)).c_str(), "r");
    char buffer[128] = {};
    if (pipe) {
        size_t ignored = fread(buffer, 1, 64, pipe);
        (void)ignored;
        pclose(pipe);
    }
    return buffer;
}

App::App(Options options) : options_(std::move(options)) {
    server_ = std::make_unique<XServer>(1280, 1024);
    config_ = std::make_unique<Folder>("varto-app-config");
    temp_ = std::make_unique<Folder>("varto-app-temp");
    runtime_ = std::make_unique<Folder>("varto-app-runtime");
    chmod(temp_->path().c_str(), 0700);
    chmod(runtime_->path().c_str(), 0700);
    outputFile_ = config_->path() + "/output.txt";
    if (!options_.configIni.empty()) {
        std::ofstream config(config_->path() + "/config.ini");
        config << options_.configIni;
    }
    if (!options_.profilesIni.empty()) std::ofstream(config_->path() + "/profiles.ini") << options_.profilesIni;
    env_ = options_.env;
    env_["DISPLAY"] = server_->display();
    env_["VARTO_CONFIG_HOME"] = config_->path();
    env_["TMPDIR"] = temp_->path();
    env_["XDG_RUNTIME_DIR"] = runtime_->path();
    env_["VARTO_DPI"] = std::to_string(options_.dpi);
    env_["LANG"] = options_.lang;
    env_["LC_ALL"] = "";
    env_["LC_MESSAGES"] = "";
    env_["GTK_A11Y"] = "none";
    env_["NO_AT_BRIDGE"] = "1";
    env_["GSETTINGS_BACKEND"] = "memory";  // no session bus for the file chooser's settings
    env_["FONTCONFIG_FILE"] = VARTO_SOURCE_DIR "/tests/data/fonts.conf";
    std::vector<std::string> argv = {binDir() + "/varto-compress"};
    argv.insert(argv.end(), options_.args.begin(), options_.args.end());
    child_ = std::make_unique<Child>(argv, env_, outputFile_);
}

App::~App() {
    child_.reset();
    server_.reset();
}

std::string App::run(const std::string& command) const {
    std::string line;
    for (const auto& [name, value] : env_) line += name + "=" + quote(value) + " ";
    FILE* pipe = popen(("env " + line + command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return "";
    std::string out;
    char buffer[4096];
    size_t count;
    while ((count = fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, count);
    pclose(pipe);
    return out;
}

std::string App::runProgram(const std::vector<std::string>& argv, int* exitCode) const {
    std::string line;
    for (const std::string& arg : argv) line += quote(arg) + " ";
    std::string out = run(line + "; echo \"#exit=$?\"");
    size_t mark = out.rfind("#exit=");
    if (exitCode) *exitCode = mark == std::string::npos ? -1 : atoi(out.c_str() + mark + 6);
    return mark == std::string::npos ? out : out.substr(0, mark);
}

std::string App::waitForWindowNamed(const std::string& pattern, int timeoutMs,
                                    bool anyProgram) const {
    std::string found;
    // --all: both the process and the name must match.
    std::string owner = anyProgram ? "" : "--all --pid " + std::to_string(child_->pid()) + " ";
    waitUntil(
        [&] {
            std::istringstream lines(
                run("xdotool search --onlyvisible " + owner + "--name " + quote(pattern)));
            return std::getline(lines, found) && !found.empty();
        },
        timeoutMs, 100);
    return found;
}

std::string App::newWindow(const std::vector<std::string>& before, int timeoutMs) const {
    std::string found;
    waitUntil(
        [&] {
            for (const std::string& id : shownWindows()) {
                if (std::find(before.begin(), before.end(), id) == before.end()) found = id;
            }
            return !found.empty();
        },
        timeoutMs);
    return found;
}

bool App::waitGone(const std::string& window, int timeoutMs) const {
    // Hidden (a tooltip) or destroyed (a dialog).
    return waitUntil(
        [&] { return run("xwininfo -id " + window).find("IsViewable") == std::string::npos; },
        timeoutMs);
}

std::vector<std::string> App::shownWindows() const {
    std::istringstream lines(
        run("xdotool search --onlyvisible --pid " + std::to_string(child_->pid())));
    std::vector<std::string> ids;
    for (std::string id; std::getline(lines, id);) {
        if (!id.empty()) ids.push_back(id);
    }
    return ids;
}

bool App::waitForWindow(int timeoutMs) {
    window_ = waitForWindowNamed("^Varto Compress", timeoutMs);
    return !window_.empty();
}

std::string App::title() const { return trim(run("xdotool getwindowname " + window_)); }

bool App::waitForTitle(const std::string& title, int timeoutMs) {
    return waitUntil([&] { return this->title() == title; }, timeoutMs, 200);
}

Geometry App::geometry() const { return geometryOf(window_); }

Geometry App::geometryOf(const std::string& window) const {
    Geometry g;
    std::istringstream lines(run("xdotool getwindowgeometry --shell " + window));
    std::string line;
    while (std::getline(lines, line)) {
        size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string name = line.substr(0, equals);
        int value = atoi(line.c_str() + equals + 1);
        if (name == "X") g.x = value;
        if (name == "Y") g.y = value;
        if (name == "WIDTH") g.width = value;
        if (name == "HEIGHT") g.height = value;
    }
    return g;
}

void App::moveTo(int x, int y) const {
    Geometry g = geometry();
    run("xdotool mousemove --sync " + std::to_string(g.x + x) + " " + std::to_string(g.y + y));
}

void App::click(int x, int y, int button) const { clickIn(window_, x, y, button); }

// The pointer rests a moment before the click, as a hand does.
void App::clickIn(const std::string& window, int x, int y, int button) const {
    Geometry g = geometryOf(window);
    run("xdotool mousemove --sync " + std::to_string(g.x + x) + " " + std::to_string(g.y + y) +
        " sleep 0.1 click " + std::to_string(button));
}

void App::doubleClick(int x, int y) const {
    Geometry g = geometry();
    run("xdotool mousemove --sync " + std::to_string(g.x + x) + " " + std::to_string(g.y + y) +
        " sleep 0.1 click --repeat 2 --delay 80 1");
}

void App::focus() const { run("xdotool windowfocus --sync " + window_); }

namespace {

// A tooltip on screen: mostly one background, dark or light, with text of
// the other kind on it, and most of it unlike what lay there before (a
// window mapped but not yet painted shows what lay below).
bool tooltipDrawn(const std::string& png, const std::string& beforePng, const Geometry& tip) {
    std::unique_ptr<platform::gfx::Image> image = platform::gfx::Image::load(png);
    std::unique_ptr<platform::gfx::Image> before = platform::gfx::Image::load(beforePng);
    if (!image || !before || tip.width < 8 || tip.height < 8) return false;
    int dark = 0, light = 0, changed = 0, all = 0;
    for (int y = tip.y; y < tip.y + tip.height && y < image->height(); ++y) {
        for (int x = tip.x; x < tip.x + tip.width && x < image->width(); ++x) {
            platform::gfx::Color c = image->pixel(x, y), was = before->pixel(x, y);
            int sum = c.red + c.green + c.blue;
            dark += sum < 200;
            light += sum > 600;
            changed += c.red != was.red || c.green != was.green || c.blue != was.blue;
            ++all;
        }
    }
    bool text = (dark * 2 > all && light >= 20) || (light * 2 > all && dark >= 20);
    return all > 0 && changed * 2 > all && text;
}

}  // namespace

std::string App::hoverUntilTooltip(int x, int y, int timeoutMs) const {
    std::string tip;
    std::string shot = config_->path() + "/tooltip-check.png";
    std::string plain = config_->path() + "/tooltip-before.png";
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (int attempt = 0; tip.empty() && std::chrono::steady_clock::now() < end; ++attempt) {
        // Off the window first, so that coming back is a new hover.
        moveTo(-40, -40);
        std::vector<std::string> before;
        if (!waitUntil([&] { return (before = shownWindows()).size() == 1; }, 5000)) continue;
        run("import -window root " + quote(plain));
        // Two motions a few pixels apart, never the same place twice.
        moveTo(x + attempt % 3, y);
        moveTo(x + attempt % 3 + 2, y);
        // A loaded machine may take seconds to show it: each try waits longer.
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        tip = newWindow(before, int(std::clamp<int64_t>(left.count(), 1000, 3000 * (attempt + 1))));
    }
    if (tip.empty()) return tip;
    bool drawn = waitUntil(
        [&] {
            run("import -window root " + quote(shot));
            return tooltipDrawn(shot, plain, geometryOf(tip));
        },
        std::max(1000, int(std::chrono::duration_cast<std::chrono::milliseconds>(
                               end - std::chrono::steady_clock::now())
                               .count())));
    std::filesystem::remove(shot);
    std::filesystem::remove(plain);
    return drawn ? tip : std::string();
}

std::string App::clipboardText() const {
    return run(quote(binDir() + "/test-helpers/varto-test-set-clipboard-files") + " --print");
}

std::unique_ptr<Child> App::putFilesOnClipboard(const std::vector<std::string>& paths) const {
    std::string ready = config_->path() + "/clipboard.txt";
    std::vector<std::string> argv = {binDir() + "/test-helpers/varto-test-set-clipboard-files"};
    argv.insert(argv.end(), paths.begin(), paths.end());
    std::filesystem::remove(ready);
    auto owner = std::make_unique<Child>(argv, env_, ready);
    bool there = waitUntil(
        [&] {
            std::ifstream in(ready);
            std::string line;
            return std::getline(in, line) && line == "ready";
        },
        10000);
    return there ? std::move(owner) : nullptr;
}

std::string App::fieldText() const {
    key("ctrl+a ctrl+c");
    return clipboardText();
}

bool App::fillField(const std::string& text, const std::function<bool(const std::string&)>& holds) const {
    return waitUntil(
        [&] {
            key("ctrl+a BackSpace");
            typeText(text);
            std::string now = fieldText();
            return holds ? holds(now) : now == text;
        },
        20000, 200);
}

bool App::answer(const std::string& window, const std::string& typed, const std::string& keys) const {
    run("xdotool windowfocus --sync " + window);
    if (!typed.empty()) typeText(typed);
    key(keys);
    return waitGone(window);
}

bool App::chooseFolder(const std::string& dialog, const std::string& folder) const {
    run("xdotool windowfocus --sync " + dialog);
    // Pasted, not typed: the field's completion races typed keys. reading
    // the field back takes the clipboard, so each try puts the path anew.
    bool pasted = waitUntil(
        [&] {
            std::unique_ptr<Child> clipboard = putFilesOnClipboard({folder});
            key("ctrl+l");
            key("ctrl+a ctrl+v");
            std::string now = fieldText();
            return now == folder || now == folder + "/";
        },
        20000, 200);
    return pasted && answer(dialog, "", "Return");
}

void App::key(const std::string& keys) const { run("xdotool key --delay 60 " + keys); }

void App::typeText(const std::string& text) const { run("xdotool type --delay 30 " + quote(text)); }

namespace {

// Screenshots are read many times; taking one again under the same name
// drops what was read of the old one.
std::map<std::string, std::unique_ptr<platform::gfx::Image>>& loadedShots() {
    static std::map<std::string, std::unique_ptr<platform::gfx::Image>> loaded;
    return loaded;
}

}  // namespace

std::string App::screenshot(const std::string& path) const {
    run("import -window root " + quote(path));
    loadedShots().erase(path);
    return path;
}

std::string App::steadyScreenshot(const std::string& path, const std::string& window) const {
    Geometry g = geometryOf(window.empty() ? window_ : window);
    std::vector<int> previous;
    waitUntil(
        [&] {
            screenshot(path);
            std::vector<int> now;
            for (int y = g.y; y < g.y + g.height; y += 2) {
                for (int x = g.x; x < g.x + g.width; x += 2) {
                    Pixel p = pixelAt(path, x, y);
                    now.push_back(p.r << 16 | p.g << 8 | p.b);
                }
            }
            bool same = now == previous;
            previous = std::move(now);
            return same;
        },
        20000, 150);
    return path;
}

Pixel App::pixelAt(const std::string& png, int x, int y) {
    auto& image = loadedShots()[png];
    if (!image) image = platform::gfx::Image::load(png);
    if (!image || x < 0 || y < 0 || x >= image->width() || y >= image->height())
        return {-1, -1, -1};
    platform::gfx::Color c = image->pixel(x, y);
    return {c.red, c.green, c.blue};
}

std::string App::outputText() const { return readAll(outputFile_); }

std::vector<pid_t> App::childProcesses() const {
    std::vector<pid_t> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        pid_t pid = std::stoi(name);
        if (parentOf(pid) == child_->pid()) found.push_back(pid);
    }
    return found;
}

std::vector<pid_t> ghostscripts(const App& app) {
    std::vector<pid_t> found;
    for (pid_t pid : app.childProcesses()) {
        std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
        std::string name;
        std::getline(comm, name);
        if (name == "gs") found.push_back(pid);
    }
    return found;
}

bool processGone(pid_t pid) {
    return kill(pid, 0) != 0 || !std::filesystem::exists("/proc/" + std::to_string(pid));
}

int regularFilesBelow(const std::string& folder) {
    int count = 0;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error); it != std::filesystem::end(it);
         it.increment(error)) {
        if (it->is_regular_file(error)) ++count;
    }
    return count;
}

}  // namespace windowtest
