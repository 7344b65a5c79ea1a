#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "compress/Command.h"
#include "platform/Clock.h"

namespace {

using Lines = std::vector<std::u16string>;

// Records what the hooks see. Output in pass-through mode is kept instead of
// printed; line mode still goes through the base splitting and decoding.
class RecordingCommand : public Command {
public:
    explicit RecordingCommand(const char16_t* line, bool lines = false) {
        commandLine = line;
        lineMode = lines;
    }

    std::string out, err;
    std::vector<std::string> rawOut;
    Lines outLines, errLines;
    std::vector<std::u16string> toFeed;  // one entry per onFillStdin call
    int fills = 0;
    size_t bufferedAfterFill = 0;
    std::atomic<int> startedAndFinished{0};

    void onFillStdin() override {
        if (fills < static_cast<int>(toFeed.size())) writeStdin(ZString(toFeed[fills]));
        bufferedAfterFill = inputBuffer.size();
        ++fills;
    }
    void onStarted() override { ++startedAndFinished; }
    void onFinished() override { ++startedAndFinished; }
    void onStdoutData(const char* bytes, int count) override {
        if (lineMode) return Command::onStdoutData(bytes, count);
        out.append(bytes, static_cast<size_t>(count));
    }
    void onStderrData(const char* bytes, int count) override {
        if (lineMode) return Command::onStderrData(bytes, count);
        err.append(bytes, static_cast<size_t>(count));
    }
    void onStdoutRawLine(const std::string& bytes) override {
        rawOut.push_back(bytes);
        Command::onStdoutRawLine(bytes);
    }
    void onStdoutLine(const ZString& line) override { outLines.emplace_back(line.view()); }
    void onStderrLine(const ZString& line) override { errLines.emplace_back(line.view()); }
};

std::string numbers(int last) {
    std::string text;
    for (int i = 1; i <= last; ++i) text += std::to_string(i) + "\n";
    return text;
}

std::string capturedLog(Command& command) {
    testing::internal::CaptureStdout();
    command.run();
    return testing::internal::GetCapturedStdout();
}

TEST(CommandTest, LargeOutputBeforeReadingInputDoesNotDeadlock) {
    RecordingCommand command(uR"(/bin/sh -c "head -c 1048576 /dev/zero; cat")");
    command.toFeed = {u"after the flood"};
    command.closeInputAfterWrite = true;
    command.timeout = 60000;  // a deadlock fails the test instead of hanging it
    command.run();
    EXPECT_FALSE(command.killed);
    ASSERT_EQ(command.out.size(), 1048576u + 15u);
    EXPECT_EQ(command.out.substr(1048576), "after the flood");
    EXPECT_EQ(command.out.find_first_not_of('\0'), 1048576u);
}

TEST(CommandTest, EveryByteOfAnExitedChildArrives) {
    // The output fits in the pipe, so the child is gone before most of it
    // is read; several runs give the drain a chance to fail.
    for (int run = 0; run < 10; ++run) {
        RecordingCommand command(u"seq 1 10000");
        command.run();
        ASSERT_EQ(command.out, numbers(10000)) << "run " << run;
    }
    RecordingCommand both(uR"(/bin/sh -c "seq 1 3000; seq 1 4000 >&2")");
    both.run();
    EXPECT_EQ(both.out, numbers(3000));
    EXPECT_EQ(both.err, numbers(4000));

    RecordingCommand merged(uR"(/bin/sh -c "echo one; echo two >&2")");
    merged.mergeStderr = true;
    merged.run();
    EXPECT_EQ(merged.out + "|" + merged.err, "one\ntwo\n|");
    EXPECT_TRUE(merged.pipeNames[2].isEmpty());
}

TEST(CommandTest, LinesAreSplitAtLineFeedsAndFlushedAtTheEnd) {
    RecordingCommand command(uR"(/bin/sh -c "printf 'a\r\n\nb\nlast'; printf ' e1 \ne2' >&2")",
                             true);
    command.run();
    EXPECT_EQ(command.rawOut, (std::vector<std::string>{"a\r\n", "\n", "b\n", "last"}));
    EXPECT_EQ(command.outLines, (Lines{u"a\r\n", u"\n", u"b\n", u"last"}));
    EXPECT_EQ(command.errLines, (Lines{u" e1 \n", u"e2"}));

    RecordingCommand trimmed(uR"(/bin/sh -c "printf ' x \r\n\ty'")", true);
    trimmed.trimLines = true;
    trimmed.run();
    EXPECT_EQ(trimmed.outLines, (Lines{u"x", u"y"}));
}

TEST(CommandTest, BaseHooksPrintTheLogAndAMissingProgramRunsNoHook) {
    Command command;
    command.commandLine = uR"(/bin/sh -c "printf '  abc\r\n'; printf 'e1\r\n' >&2")";
    command.lineMode = true;
    EXPECT_EQ(capturedLog(command),
              "================\n/bin/sh -c \"printf '  abc\\r\\n'; printf 'e1\\r\\n' >&2\"\n"
              "----------------\nOUT> abc\nERR> e1\n================\n");

    Command passThrough;
    passThrough.commandLine = uR"(printf "a\r\nb")";
    EXPECT_TRUE(capturedLog(passThrough).ends_with("----------------\na\r\nb================\n"));

    RecordingCommand missing(u"varto-no-such-program --help");
    EXPECT_EQ(
        capturedLog(missing),
        "================\nvarto-no-such-program --help\n----------------\n================\n");
    EXPECT_EQ(missing.creationError, 2u);
    EXPECT_EQ(missing.exitCode, 2u);
    EXPECT_EQ(missing.startedAndFinished + missing.fills, 0);
}

TEST(CommandTest, InputFromFillHookWithAndWithoutClosing) {
    RecordingCommand closing(u"cat", true);
    closing.closeInputAfterWrite = true;
    closing.toFeed = {u"one\ntwo\n"};
    closing.timeout = 20000;
    closing.run();
    EXPECT_FALSE(closing.killed);  // cat saw the end of its input
    EXPECT_EQ(closing.outLines, (Lines{u"one\n", u"two\n"}));
    EXPECT_EQ(closing.fills, 1);  // no further call once the input is closed

    // Left open, the input takes a second write from a later call.
    RecordingCommand open(u"head -n 2", true);
    open.toFeed = {u"first\n", u"second\n", u"third\n"};
    open.timeout = 20000;
    open.run();
    EXPECT_FALSE(open.killed);
    EXPECT_EQ(open.outLines, (Lines{u"first\n", u"second\n"}));
    EXPECT_GE(open.fills, 2);
}

TEST(CommandTest, CodePagesEncodeInputAndDecodeLines) {
    // UTF-8 is the default and goes through the qpdf tests; here code page 1252.
    RecordingCommand latin(u"cat", true);
    latin.closeInputAfterWrite = true;
    latin.codePage = 1252;
    latin.toFeed = {u"\u00e4\u00f6\u00fc \u20ac\n"};
    latin.run();
    EXPECT_EQ(latin.rawOut, std::vector<std::string>{"\xe4\xf6\xfc \x80\n"});
    EXPECT_EQ(latin.outLines, Lines{u"\u00e4\u00f6\u00fc \u20ac\n"});
    // A negative code page writes nothing and hands no decoded line on.
    RecordingCommand none(uR"(/bin/sh -c "echo raw; sleep 0.1")", true);
    none.codePage = -1;
    none.toFeed = {u"ignored\n"};
    none.run();
    EXPECT_EQ(none.bufferedAfterFill, 0u);
    EXPECT_EQ(none.rawOut, std::vector<std::string>{"raw\n"});
    EXPECT_TRUE(none.outLines.empty());
}

TEST(CommandTest, TimeOutTerminateAndExitCode) {
    RecordingCommand timed(u"sleep 10");
    timed.timeout = 300;
    uint32_t start = platform::tickCount();
    timed.run();
    EXPECT_GE(platform::tickCount() - start, 300u);
    EXPECT_LT(platform::tickCount() - start, 5000u);
    EXPECT_TRUE(timed.killed);
    EXPECT_EQ(timed.exitCode, 0u);
    EXPECT_EQ(timed.startedAndFinished.load(), 2);

    RecordingCommand cancelled(u"sleep 10");
    EXPECT_FALSE(cancelled.terminate());  // nothing runs yet
    uint32_t killedAt = 0;
    std::thread canceller([&] {
        platform::sleepMs(200);
        killedAt = platform::tickCount();
        EXPECT_TRUE(cancelled.terminate());
    });
    cancelled.run();
    uint32_t returnedAt = platform::tickCount();
    canceller.join();
    EXPECT_TRUE(cancelled.killed);
    EXPECT_LT(returnedAt - killedAt, 1000u);
    EXPECT_FALSE(cancelled.terminate());  // already gone

    RecordingCommand failing(uR"(/bin/sh -c "exit 7")");
    failing.run();
    EXPECT_EQ(failing.exitCode, 7u);
    EXPECT_EQ(failing.creationError, 0u);
    EXPECT_FALSE(failing.killed);
}

TEST(CommandTest, TwoRunnersAtOnce) {
    // The long runner must not keep the short one's input open: cat ends as
    // soon as its own input is closed, while the other still runs.
    RecordingCommand slow(u"sleep 30");
    RecordingCommand fast(u"cat", true);
    fast.closeInputAfterWrite = true;
    fast.toFeed = {u"ping\n"};
    std::thread slowThread([&] { slow.run(); });
    while (slow.startedAndFinished == 0) platform::sleepMs(5);
    fast.run();
    EXPECT_EQ(slow.startedAndFinished.load(), 1);  // started, not finished
    EXPECT_TRUE(slow.terminate());
    slowThread.join();
    EXPECT_EQ(fast.outLines, Lines{u"ping\n"});

    const std::regex shape(R"(\\\\\.\\Pipe\\VartoCmdEx\.[0-9a-f]{8}\.[0-9a-f]{8})");
    std::set<std::u16string> names;
    for (const Command* command : {static_cast<Command*>(&slow), static_cast<Command*>(&fast)}) {
        for (const ZString& name : command->pipeNames) {
            EXPECT_TRUE(std::regex_match(name.toUtf8(), shape)) << name.toUtf8();
            names.insert(std::u16string(name.view()));
        }
    }
    EXPECT_EQ(names.size(), 6u);
}

}  // namespace
