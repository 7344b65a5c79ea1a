// Ending the window program while everything is busy at once: page fetches
// to a server that never answers, a message box waiting for the user and
// Ghostscript at work. And command lines that other programs send while the
// password prompt is open: answered at once, handled after it.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "tests/app/WindowDriver.h"

using namespace windowtest;
namespace fs = std::filesystem;

namespace {

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer build's leak scan at exit takes its own time.
constexpr int kExitMs = 15000;
#else
constexpr int kExitMs = 1000;
#endif

// A loopback server for the banner page: /page is a page that starts three
// fetches of /hang, and /hang is accepted, read and never answered.
class HangingServer {
public:
    HangingServer() {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        ::listen(listen_, 16);
        thread_ = std::thread([this] { serve(); });
    }
    ~HangingServer() {
        stop_ = true;
        thread_.join();
        for (int fd : hung_) close(fd);
        close(listen_);
    }
    std::string origin() const { return "http://127.0.0.1:" + std::to_string(port_); }
    int hung() const { return hungCount_; }

private:
    void serve() {
        while (!stop_) {
            pollfd p{listen_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            std::string request = readRequest(fd);
            if (request.rfind("GET /hang", 0) == 0) {
                hung_.push_back(fd);
                ++hungCount_;
                continue;
            }
            std::string body = request.rfind("GET /page", 0) == 0 ? page() : std::string();
            std::string head = body.empty() ? "HTTP/1.1 404 Not Found\r\n" : "HTTP/1.1 200 OK\r\n";
            head += "Content-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
                    "\r\nConnection: close\r\n\r\n";
            std::string reply = head + body;
            (void)!write(fd, reply.data(), reply.size());
            close(fd);
        }
    }
    static std::string readRequest(int fd) {
        std::string text;
        char buffer[2048];
        while (text.find("\r\n\r\n") == std::string::npos) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 2000) <= 0) break;
            ssize_t n = read(fd, buffer, sizeof buffer);
            if (n <= 0) break;
            text.append(buffer, static_cast<size_t>(n));
        }
        return text;
    }
    static std::string page() {
        return "<!DOCTYPE html><html><body style=\"background:#2a6\"><script>\n"
               "for (let i = 0; i < 3; ++i)\n"
               "  window.external.fetchUrl({url: location.origin + '/hang?' + i, callback: () => {}});\n"
               "</script></body></html>";
    }

    int listen_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> hungCount_{0};
    std::vector<int> hung_;
};

// The installation's settings with the banner page at the given address.
struct Installation {
    Folder folder{"varto-quit-install"};
    std::map<std::string, std::string> env;

    explicit Installation(const std::string& bannerUrl) {
        const std::string shipped = VARTO_BINARY_DIR "/share/varto/";
        fs::copy_file(shipped + "install.ini", folder / "install.ini");
        std::ofstream(folder / "defaults.ini")
            << readAll(shipped + "defaults.ini") << "\nEmbeddedBrowserUrl=" << bannerUrl << "\n";
        env = {{"VARTO_INSTALL_INI", folder / "install.ini"}};
    }
};

bool haveCorpus() { return fs::exists(corpus("text-r-refman.pdf")); }

// A file that opens but cannot be read (a process's memory from its first
// byte): its copy fails, so adding it brings up the "File copy error" box
// (Retry, Cancel) on the window's thread.
std::string uncopyable(const Folder& user) {
    std::string path = user / "broken.pdf";
    fs::create_symlink("/proc/self/mem", path);
    return path;
}

constexpr const char* kCopyErrorBox = "^File copy error$";

}  // namespace

TEST(QuitTest, EndsWithinASecondWithHungFetchesAPendingBoxAndGhostscriptRunning) {
    if (!haveCorpus()) GTEST_SKIP() << "the shared corpus is not here";
    HangingServer server;
    Installation installation(server.origin() + "/page");
    Folder user("varto-user");
    std::string big = copyInto(user, "text-r-refman.pdf", "refman.pdf");
    App::Options options;
    options.env = installation.env;
    options.args = {big};
    // Ghostscript on the whole file, so it is still at work at the quit.
    options.configIni = "[Settings]\ncompress.planner=false\n";
    App app(options);
    ASSERT_TRUE(app.waitForWindow()) << app.outputText();

    ASSERT_TRUE(waitUntil([&] { return !ghostscripts(app).empty(); }, 60000)) << app.outputText();
    ASSERT_TRUE(waitUntil([&] { return server.hung() == 3; }, 60000))
        << server.hung() << " fetches reached the server\n" << app.outputText();
    Child sender({binDir() + "/varto-compress", "--send", uncopyable(user)}, app.environment(),
                 user / "send.txt");
    std::string box = app.waitForWindowNamed(kCopyErrorBox, 30000);
    ASSERT_FALSE(box.empty()) << app.outputText();
    std::vector<pid_t> running = ghostscripts(app);
    ASSERT_FALSE(running.empty()) << "Ghostscript ended before the quit";

    // The session ends: the program is asked to terminate.
    auto quitting = std::chrono::steady_clock::now();
    kill(app.process().pid(), SIGTERM);
    bool ended = app.process().waitExit(kExitMs + 2000);
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - quitting);
    ASSERT_TRUE(ended) << app.outputText();
    EXPECT_LT(took.count(), kExitMs) << app.outputText();
    std::cout << "quit took " << took.count() << " ms\n";
    EXPECT_EQ(app.process().exitCode(), 0);
    for (pid_t pid : running) EXPECT_TRUE(processGone(pid));
    EXPECT_EQ(regularFilesBelow(app.tempFolder()), 0);
    EXPECT_TRUE(sender.waitExit(5000));
}

TEST(QuitTest, SendDuringThePasswordPromptIsAnsweredAtOnceAndHandledAfterIt) {
    if (!haveCorpus()) GTEST_SKIP() << "the shared corpus is not here";
    Folder user("varto-user");
    std::string locked = copyInto(user, "enc-user-secret.pdf", "locked.pdf");
    std::string other = copyInto(user, "tiny-parallel-cheat-libreoffice.pdf", "other.pdf");
    App app(App::Options{});
    ASSERT_TRUE(app.waitForWindow()) << app.outputText();
    std::string send = binDir() + "/varto-compress";

    Child lockedSender({send, "--send", locked}, app.environment(), user / "send.txt");
    std::string prompt = app.waitForWindowNamed("locked\\.pdf", 30000);
    ASSERT_FALSE(prompt.empty()) << app.outputText();

    // Answered while the prompt is open, without a second prompt or a file yet.
    int code = -1;
    auto start = std::chrono::steady_clock::now();
    app.runProgram({send, "--send", other}, &code);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(code, 0);
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_EQ(app.shownWindows().size(), 2u);
    EXPECT_EQ(app.title(), "Varto Compress");

    // Escape drops the locked file; then the queued file is added and compressed.
    app.run("xdotool windowfocus --sync " + prompt);
    app.key("Escape");
    EXPECT_TRUE(waitUntil([&] { return app.run("xdotool getwindowname " + prompt).empty(); }, 10000));
    EXPECT_TRUE(lockedSender.waitExit(10000));
    EXPECT_TRUE(app.waitForTitle("Varto Compress (1 / 1)", 120000)) << app.title();
}
