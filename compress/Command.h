#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "base/ZString.h"

namespace platform {
class Process;
}

// Runs one external program from a full command line: feeds its standard
// input from memory, hands its output to the hooks while it runs, and
// returns when it has exited. Subclasses override the hooks. One object is
// used for one run.
class Command {
public:
    Command();
    virtual ~Command();
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    // Runs the command line to completion. Afterwards exitCode, creationError
    // and killed tell how it went.
    void run();

    // Appends the text, encoded in codePage, to the bytes waiting for the
    // child's input. Meant for onFillStdin.
    void writeStdin(const ZString& text);

    // Kills the running child and sets killed; callable from any thread.
    // False when no child is running.
    bool terminate();

    ZString commandLine;
    uint32_t exitCode = 0xFFFFFFFF;  // the creation error when the start failed
    uint32_t creationError = 0;      // 2 for a missing program
    std::atomic<bool> killed{false};
    uint16_t showWindow = 10;  // kept for callers; children have no windows here
    bool mergeStderr = false;  // stderr shares the stdout pipe
    bool lineMode = false;     // output goes to the line hooks instead of through
    bool trimLines = false;    // decoded lines are trimmed before the line hooks
    int32_t codePage = 0;      // 0 system (UTF-8), 65001 UTF-8, negative: no coding
    uint32_t timeout = 0;      // ms from the start of the pump loop, 0 = none
    bool closeInputAfterWrite = false;

    // Names of the input, output and error channels, for the log only (the
    // pipes themselves are anonymous); the error name is empty when merged.
    std::array<ZString, 3> pipeNames;

    // Hooks, in table order.
    virtual void pump();
    virtual void onFillStdin();
    virtual void onStarted();
    virtual void onFinished();
    virtual void onStdoutData(const char* bytes, int count);
    virtual void onStderrData(const char* bytes, int count);
    virtual void onStdoutLine(const ZString& line);
    virtual void onStdoutRawLine(const std::string& bytes);
    virtual void onStderrLine(const ZString& line);
    virtual void onStderrRawLine(const std::string& bytes);
    virtual void flushLines();

protected:
    std::string inputBuffer;       // bytes waiting for the child's input
    std::string stdoutLineBuffer;  // partial lines in line mode
    std::string stderrLineBuffer;

private:
    void makePipeNames();
    void appendLineBytes(std::string& buffer, const char* bytes, int count, bool isStdout);
    void rawLine(const std::string& bytes, bool isStdout);

    std::unique_ptr<platform::Process> process_;
    std::mutex processLock_;  // guards process_ against terminate() from other threads
};

// Prints one log line ("text\n") to standard output in one piece.
void printLogLine(const ZString& text);
