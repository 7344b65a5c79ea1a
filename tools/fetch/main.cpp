// varto-fetch: one request through the program's HTTP client, for trying it
// from outside. Body on stdout; status, headers and any error on stderr.
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "FetchOptions.h"
#include "http/BufferInput.h"
#include "http/FetchRequest.h"
#include "http/Output.h"

namespace {

// Writes the body straight to stdout, up to the size limit.
class StdoutOutput : public http::Output {
public:
    explicit StdoutOutput(long long maxSize) : left_(maxSize) {}

    void write(const char* bytes, int64_t count) override {
        if (left_ >= 0 && count > left_) {
            count = left_;
            full_ = true;
        }
        if (left_ >= 0) left_ -= count;
        if (count > 0 && std::fwrite(bytes, 1, static_cast<size_t>(count), stdout) != static_cast<size_t>(count))
            full_ = true;  // the reader went away: stop reading
    }
    bool full() const override { return full_; }

private:
    long long left_;
    bool full_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    // A reader that goes away ends the body quietly instead of killing us.
    std::signal(SIGPIPE, SIG_IGN);
    FetchOptions options = FetchOptions::parse(std::vector<std::string>(argv + 1, argv + argc));
    if (!options.error.empty()) {
        std::fprintf(stderr, "varto-fetch: %s\n%s", options.error.c_str(), kFetchUsage);
        return 2;
    }
    http::FetchRequest& request = options.request;
    if (!http::prepareFetch(request)) {
        std::fprintf(stderr, "error %s (%d)\n", request.errorMessage.toUtf8().c_str(), request.errorCode);
        return 1;
    }
    // The body of unknown size goes out chunked.
    std::unique_ptr<http::BufferInput> chunked;
    if (options.chunked) {
        auto* body = dynamic_cast<http::BufferInput*>(request.content);
        chunked = std::make_unique<http::BufferInput>(body ? body->bytes() : std::string(), false);
        request.content = chunked.get();
    }
    StdoutOutput output(options.maxSize);
    request.output = &output;
    const bool ok = http::runFetch(request);
    std::fflush(stdout);
    if (ok) {
        std::fprintf(stderr, "status %d\n", request.statusCode);
        for (const auto& [name, value] : request.responseHeaders)
            std::fprintf(stderr, "header %s: %s\n", name.toUtf8().c_str(), value.toUtf8().c_str());
        return 0;
    }
    std::fprintf(stderr, "status %d\n", request.statusCode);
    std::fprintf(stderr, "error %s (%d)\n", request.errorMessage.toUtf8().c_str(), request.errorCode);
    return 1;
}
