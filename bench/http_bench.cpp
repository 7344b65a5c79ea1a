// The HTTP client against its command-line peers, side by side in one run:
//  1. 1000 small GETs on loopback through runFetch against 1000 runs of
//     `curl -s -o /dev/null URL`, alternating in batches of ten so other load
//     hits both alike; printed per request and as a ratio (goal: at most 1.0,
//     since no process is started);
//  2. decoding a 50 MB gzip body with our decoder against `zcat FILE >
//     /dev/null` (goal: at least 0.8 of zcat's speed).
// The server is the tests' Python server (tests/support/page_server.py).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "http/BufferOutput.h"
#include "http/ContentDecoder.h"
#include "http/FetchRequest.h"
#include "platform/Clock.h"
#include "platform/Process.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kGets = 1000;
constexpr int kBatch = 10;
constexpr size_t kPlainBytes = 50u << 20;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

int runQuiet(const std::vector<std::string>& args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int status = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return status;
}

bool fetchOnce(const std::string& url) {
    http::FetchRequest request;
    http::BufferOutput output;
    request.url = ZString::fromUtf8(url);
    request.output = &output;
    return http::runFetch(request) && request.statusCode == 200 && output.bytes() == "ok";
}

// Starts the Python test server and returns its plain HTTP port, 0 on failure.
int startServer(platform::Process& server) {
    const std::string python = std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    if (server.spawn({python, std::string(VARTO_SOURCE_DIR) + "/tests/support/page_server.py", "-", "1", "--tls"}, false) != 0)
        return 0;
    std::string line;
    const uint32_t start = platform::tickCount();
    while (line.find('\n') == std::string::npos && platform::tickCount() - start < 30000 && !server.exited()) {
        server.waitForActivity(100, false);
        char buffer[128];
        if (server.bytesAvailable(platform::Process::Stream::Output) > 0) {
            const int n = server.read(platform::Process::Stream::Output, buffer, sizeof buffer);
            if (n > 0) line.append(buffer, n);
        }
    }
    int port = 0, unused = 0;
    return std::sscanf(line.c_str(), "PORTS %d %d %d", &port, &unused, &unused) == 3 ? port : 0;
}

bool benchGets() {
    setenv("no_proxy", "127.0.0.1", 1);
    platform::Process server;
    const int port = startServer(server);
    if (!port) {
        std::fprintf(stderr, "test server did not start\n");
        return false;
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/small";
    for (int i = 0; i < kBatch; ++i) fetchOnce(url), runQuiet({"curl", "-s", "-o", "/dev/null", url});

    Clock::duration ours{}, curl{};
    int failures = 0;
    for (int done = 0; done < kGets; done += kBatch) {
        auto t0 = Clock::now();
        for (int i = 0; i < kBatch; ++i) failures += fetchOnce(url) ? 0 : 1;
        auto t1 = Clock::now();
        for (int i = 0; i < kBatch; ++i) failures += runQuiet({"curl", "-s", "-o", "/dev/null", url}) == 0 ? 0 : 1;
        auto t2 = Clock::now();
        ours += t1 - t0;
        curl += t2 - t1;
    }
    const double ratio = seconds(ours) / seconds(curl);
    std::printf("GET x%d on loopback: runFetch %.3f ms, curl command %.3f ms per request; ratio %.2f (goal <= 1.0)%s\n",
                kGets, seconds(ours) * 1000 / kGets, seconds(curl) * 1000 / kGets, ratio,
                failures ? " FAILED REQUESTS" : "");
    return failures == 0 && ratio <= 1.0;
}

// Text-like data: words from a small vocabulary with random numbers, so it
// compresses about as well as real pages do.
std::string makePlain() {
    static const char* words[] = {"the ", "quick ", "brown ", "fox ", "jumps ", "over ", "lazy ", "dog ", "<div>",
                                  "</div>\n", "class=\"", "\" ", "{\"id\":", ",\"name\":\"", "\"}\n"};
    std::mt19937 random(42);
    std::string plain;
    plain.reserve(kPlainBytes);
    while (plain.size() < kPlainBytes) {
        plain += words[random() % 15];
        if (random() % 4 == 0) plain += std::to_string(random() % 100000);
    }
    plain.resize(kPlainBytes);
    return plain;
}

std::string gzipOf(const std::string& plain) {
    z_stream zs{};
    deflateInit2(&zs, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&zs, plain.size()) + 64, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    zs.avail_in = static_cast<uInt>(plain.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

bool benchGzip() {
    const std::string plain = makePlain();
    const std::string packed = gzipOf(plain);
    const std::string file = (std::filesystem::temp_directory_path() / ("varto-http-bench-" + std::to_string(getpid()) + ".gz")).string();
    {
        FILE* out = std::fopen(file.c_str(), "wb");
        if (!out) return false;
        std::fwrite(packed.data(), 1, packed.size(), out);
        std::fclose(out);
    }
    double best = 1e9, bestZcat = 1e9;
    bool same = true;
    for (int round = 0; round < 3; ++round) {
        auto t0 = Clock::now();
        http::GzipDecoder decoder;
        size_t produced = 0;
        uint32_t check = crc32(0, nullptr, 0);
        // Pieces of 16 KB, as the transport hands them over.
        for (size_t at = 0; at < packed.size(); at += 16384) {
            decoder.feed(packed.data() + at, std::min<size_t>(16384, packed.size() - at), [&](const char* b, size_t n) {
                produced += n;
                if (round == 0) check = crc32(check, reinterpret_cast<const Bytef*>(b), static_cast<uInt>(n));
            });
        }
        auto t1 = Clock::now();
        if (round == 0) same = produced == plain.size() && check == crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(plain.data()), static_cast<uInt>(plain.size()));
        else best = std::min(best, seconds(t1 - t0));
        auto t2 = Clock::now();
        runQuiet({"sh", "-c", "zcat \"$0\" > /dev/null", file});
        auto t3 = Clock::now();
        if (round) bestZcat = std::min(bestZcat, seconds(t3 - t2));
    }
    std::filesystem::remove(file);
    const double mb = plain.size() / 1e6;
    const double speed = (mb / best) / (mb / bestZcat);
    std::printf("gzip decode of %.0f MB (%.1f MB packed): ours %.0f MB/s, zcat %.0f MB/s; %.2f of zcat's speed (goal >= 0.8)%s\n",
                mb, packed.size() / 1e6, mb / best, mb / bestZcat, speed, same ? "" : " WRONG OUTPUT");
    return same && speed >= 0.8;
}

}  // namespace

int main() {
    const bool gets = benchGets();
    const bool gzip = benchGzip();
    return gets && gzip ? 0 : 1;
}
