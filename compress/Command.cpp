#include "compress/Command.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Process.h"
#include "platform/SplitCommandLine.h"

namespace {

constexpr int kReadChunk = 4096;
constexpr int kIdleWaitMs = 10;
constexpr uint32_t kExitWaitMs = 1000;

std::atomic<uint32_t> pipeCounter{0};

ZString nextPipeName() {
    uint32_t n = pipeCounter.fetch_add(1) + 1;
    return ZString::format(u"\\\\.\\Pipe\\VartoCmdEx.%08x.%08x", platform::currentProcessId(), n);
}

}  // namespace

void printLogLine(const ZString& text) {
    std::string line = text.toUtf8();
    line += '\n';
    fwrite(line.data(), 1, line.size(), stdout);
    fflush(stdout);
}

Command::Command() = default;

Command::~Command() {
    // The process object kills a child that is still running and reaps it.
    std::lock_guard<std::mutex> lock(processLock_);
    process_.reset();
}

void Command::makePipeNames() {
    pipeNames[0] = nextPipeName();
    pipeNames[1] = nextPipeName();
    pipeNames[2] = mergeStderr ? ZString() : nextPipeName();
}

void Command::run() {
    printLogLine(u"================");
    printLogLine(commandLine);
    printLogLine(u"----------------");

    makePipeNames();
    std::vector<std::string> argv;
    for (const ZString& arg : platform::splitCommandLine(commandLine)) argv.push_back(arg.toUtf8());

    auto process = std::make_unique<platform::Process>();
    int error = process->spawn(argv, mergeStderr);
    if (error != 0) {
        creationError = static_cast<uint32_t>(error);
        exitCode = creationError;
    } else {
        {
            std::lock_guard<std::mutex> lock(processLock_);
            process_ = std::move(process);
        }
        onStarted();
        pump();
        process_->waitExit(kExitWaitMs);
        exitCode = process_->exitCode();
        if (lineMode) flushLines();
        onFinished();
    }
    printLogLine(u"================");
}

bool Command::terminate() {
    std::lock_guard<std::mutex> lock(processLock_);
    if (!process_ || !process_->terminate()) return false;
    killed = true;
    return true;
}

void Command::writeStdin(const ZString& text) {
    if (auto bytes = platform::encodeCodePage(codePage, text)) inputBuffer += *bytes;
}

void Command::pump() {
    using Stream = platform::Process::Stream;
    if (!process_) return;
    platform::Process& process = *process_;
    const uint32_t start = platform::tickCount();
    bool writePending = false;
    bool writeFailed = false;
    size_t written = 0;
    char buffer[kReadChunk];

    auto readStream = [&](Stream stream) {
        int available = process.bytesAvailable(stream);
        if (available <= 0) return false;
        int n = process.read(stream, buffer, std::min(available, kReadChunk));
        if (n > 0) {
            if (stream == Stream::Output) {
                onStdoutData(buffer, n);
            } else {
                onStderrData(buffer, n);
            }
        }
        return true;
    };
    // The pipe takes what fits; the write counts as pending until every byte
    // is in or the child's input is gone.
    auto advanceWrite = [&] {
        if (writeFailed || written >= inputBuffer.size()) return;
        int n = process.write(inputBuffer.data() + written,
                              static_cast<int>(inputBuffer.size() - written));
        if (n < 0) {
            writeFailed = true;
        } else {
            written += static_cast<size_t>(n);
        }
    };
    auto finishWrite = [&] {
        inputBuffer.clear();
        written = 0;
        writePending = false;
        writeFailed = false;
        if (closeInputAfterWrite) process.closeInput();
    };

    for (;;) {
        const bool exited = process.exited();
        bool hadData = readStream(Stream::Output);
        if (!process.errorIsOutput()) hadData = readStream(Stream::Error) || hadData;

        if (writePending) {
            advanceWrite();
            if (writeFailed || written >= inputBuffer.size()) finishWrite();
        }

        if (exited) {
            if (hadData) continue;
            // A write the exited child can no longer take is dropped.
            if (writePending) finishWrite();
            return;
        }

        if (!writePending && process.inputOpen()) {
            onFillStdin();
            if (!inputBuffer.empty()) {
                writePending = true;
                written = 0;
                advanceWrite();
            }
        }

        if (hadData) continue;
        if (timeout != 0 && platform::tickCount() - start > timeout) {
            if (terminate()) return;
        }
        process.waitForActivity(kIdleWaitMs, writePending);
    }
}

void Command::onFillStdin() {}

void Command::onStarted() {}

void Command::onFinished() {}

void Command::onStdoutData(const char* bytes, int count) {
    if (lineMode) {
        appendLineBytes(stdoutLineBuffer, bytes, count, true);
    } else {
        platform::writeStdHandle(1, bytes, static_cast<size_t>(count));
    }
}

void Command::onStderrData(const char* bytes, int count) {
    if (lineMode) {
        appendLineBytes(stderrLineBuffer, bytes, count, false);
    } else {
        platform::writeStdHandle(2, bytes, static_cast<size_t>(count));
    }
}

void Command::onStdoutLine(const ZString& line) {
    printLogLine(ZString::format(u"OUT> %s", line.trimmed().c_str()));
}

void Command::onStdoutRawLine(const std::string& bytes) { rawLine(bytes, true); }

void Command::onStderrLine(const ZString& line) {
    printLogLine(ZString::format(u"ERR> %s", line.trimmed().c_str()));
}

void Command::onStderrRawLine(const std::string& bytes) { rawLine(bytes, false); }

void Command::flushLines() {
    if (!stdoutLineBuffer.empty()) {
        std::string line;
        line.swap(stdoutLineBuffer);
        onStdoutRawLine(line);
    }
    if (!stderrLineBuffer.empty()) {
        std::string line;
        line.swap(stderrLineBuffer);
        onStderrRawLine(line);
    }
}

void Command::appendLineBytes(std::string& buffer, const char* bytes, int count, bool isStdout) {
    for (int i = 0; i < count; ++i) {
        buffer += bytes[i];
        if (bytes[i] != '\n') continue;
        std::string line;
        line.swap(buffer);
        if (isStdout) {
            onStdoutRawLine(line);
        } else {
            onStderrRawLine(line);
        }
    }
}

void Command::rawLine(const std::string& bytes, bool isStdout) {
    std::optional<ZString> decoded = platform::decodeCodePage(codePage, bytes);
    if (!decoded) return;
    if (trimLines) decoded->trim();
    if (isStdout) {
        onStdoutLine(*decoded);
    } else {
        onStderrLine(*decoded);
    }
}
