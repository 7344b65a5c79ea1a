#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "compress/Command.h"
#include "platform/Clock.h"

namespace {

// Records what the hooks see. Output in pass-through mode is kept instead of
// printed; line mode still goes through the base splitting and decoding.
class RecordingCommand : public Command {
public:
    explicit RecordingCommand(const char16_t* line) { commandLine = line; }

    std::string out;
    std::string err;
    std::vector<std::string> rawOut;
    std::vector<std::string> rawErr;
    std::vector<std::u16string> outLines;
    std::vector<std::u16string> errLines;
    std::vector<std::u16string> toFeed;  // one entry per onFillStdin call
    int fills = 0;
    size_t bufferedAfterFill = 0;
    int started = 0;
    int finished = 0;

    void onFillStdin() override {
        if (fills < static_cast<int>(toFeed.size())) writeStdin(ZString(toFeed[fills]));
        bufferedAfterFill = inputBuffer.size();
        ++fills;
    }
    void onStarted() override { ++started; }
    void onFinished() override { ++finished; }
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
    void onStderrRawLine(const std::string& bytes) override {
        rawErr.push_back(bytes);
        Command::onStderrRawLine(bytes);
    }
    void onStdoutLine(const ZString& line) override { outLines.emplace_back(line.view()); }
    void onStderrLine(const ZString& line) override { errLines.emplace_back(line.view()); }
};

std::string numbers(int last) {
    std::string text;
    for (int i = 1; i <= last; ++i) text += std::to_string(i) + "\n";
    return text;
}

TEST(CommandTest, LargeOutputBeforeReadingInputDoesNotDeadlock) {
    RecordingCommand command(uR"(/bin/sh -c "head -c 1048576 /dev/zero; cat")");
    command.toFeed = {u"after the flood"};
    command.closeInputAfterWrite = true;
    command.timeout = 30000;  // a deadlock fails the test instead of hanging it
    command.run();
    EXPECT_FALSE(command.killed);
    EXPECT_EQ(command.exitCode, 0u);
    ASSERT_EQ(command.out.size(), 1048576u + 15u);
    EXPECT_EQ(command.out.substr(1048576), "after the flood");
    EXPECT_EQ(command.out.find_first_not_of('\0'), 1048576u);
}

TEST(CommandTest, EveryByteOfAnExitedChildArrives) {
    // The output fits in the pipe, so the child is gone before most of it
    // is read; several runs give the drain a chance to fail.
    const std::string expected = numbers(10000);
    for (int run = 0; run < 10; ++run) {
        RecordingCommand command(u"seq 1 10000");
        command.run();
        ASSERT_EQ(command.out, expected) << "run " << run;
        EXPECT_EQ(command.exitCode, 0u);
    }
    RecordingCommand both(uR"(/bin/sh -c "seq 1 3000; seq 1 4000 >&2")");
    both.run();
    EXPECT_EQ(both.out, numbers(3000));
    EXPECT_EQ(both.err, numbers(4000));

    RecordingCommand merged(uR"(/bin/sh -c "echo one; echo two >&2")");
    merged.mergeStderr = true;
    merged.run();
    EXPECT_EQ(merged.out, "one\ntwo\n");
    EXPECT_EQ(merged.err, "");
    EXPECT_TRUE(merged.pipeNames[2].isEmpty());
}

TEST(CommandTest, LinesAreSplitAtLineFeedsAndFlushedAtTheEnd) {
    RecordingCommand command(uR"(/bin/sh -c "printf 'a\r\n\nb\nlast'; printf ' e1 \ne2' >&2")");
    command.lineMode = true;
    command.run();
    EXPECT_EQ(command.rawOut, (std::vector<std::string>{"a\r\n", "\n", "b\n", "last"}));
    EXPECT_EQ(command.outLines, (std::vector<std::u16string>{u"a\r\n", u"\n", u"b\n", u"last"}));
    EXPECT_EQ(command.errLines, (std::vector<std::u16string>{u" e1 \n", u"e2"}));

    RecordingCommand trimmed(uR"(/bin/sh -c "printf ' x \r\n\ty'")");
    trimmed.lineMode = true;
    trimmed.trimLines = true;
    trimmed.run();
    EXPECT_EQ(trimmed.outLines, (std::vector<std::u16string>{u"x", u"y"}));
}

TEST(CommandTest, BaseHooksPrintTheLog) {
    Command command;
    command.commandLine = uR"(/bin/sh -c "printf '  abc\r\n'; printf 'e1\r\n' >&2")";
    command.lineMode = true;
    testing::internal::CaptureStdout();
    command.run();
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log,
              "================\n"
              "/bin/sh -c \"printf '  abc\\r\\n'; printf 'e1\\r\\n' >&2\"\n"
              "----------------\n"
              "OUT> abc\n"
              "ERR> e1\n"
              "================\n");

    Command passThrough;
    passThrough.commandLine = uR"(printf "a\r\nb")";
    testing::internal::CaptureStdout();
    passThrough.run();
    log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("----------------\na\r\nb================\n"), std::string::npos) << log;
}

TEST(CommandTest, MissingProgramRunsNoHook) {
    RecordingCommand command(u"varto-no-such-program --help");
    testing::internal::CaptureStdout();
    command.run();
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(command.creationError, 2u);
    EXPECT_EQ(command.exitCode, 2u);
    EXPECT_EQ(command.started + command.finished + command.fills, 0);
    EXPECT_EQ(
        log,
        "================\nvarto-no-such-program --help\n----------------\n================\n");
}

TEST(CommandTest, InputFromFillHookWithAndWithoutClosing) {
    RecordingCommand closing(u"cat");
    closing.lineMode = true;
    closing.closeInputAfterWrite = true;
    closing.toFeed = {u"one\ntwo\n"};
    closing.timeout = 10000;
    closing.run();
    EXPECT_FALSE(closing.killed);  // cat saw the end of its input
    EXPECT_EQ(closing.outLines, (std::vector<std::u16string>{u"one\n", u"two\n"}));
    EXPECT_EQ(closing.fills, 1);  // no further call once the input is closed

    // Left open, the input takes a second write from a later call.
    RecordingCommand open(u"head -n 2");
    open.lineMode = true;
    open.toFeed = {u"first\n", u"second\n", u"third\n"};
    open.timeout = 10000;
    open.run();
    EXPECT_FALSE(open.killed);
    EXPECT_EQ(open.exitCode, 0u);
    EXPECT_EQ(open.outLines, (std::vector<std::u16string>{u"first\n", u"second\n"}));
    EXPECT_GE(open.fills, 2);
}

TEST(CommandTest, CodePagesEncodeInputAndDecodeLines) {
    RecordingCommand latin(u"cat");
    latin.lineMode = true;
    latin.closeInputAfterWrite = true;
    latin.codePage = 1252;
    latin.toFeed = {u"\u00e4\u00f6\u00fc \u20ac\n"};
    latin.run();
    EXPECT_EQ(latin.rawOut, (std::vector<std::string>{"\xe4\xf6\xfc \x80\n"}));
    EXPECT_EQ(latin.outLines, (std::vector<std::u16string>{u"\u00e4\u00f6\u00fc \u20ac\n"}));

    RecordingCommand utf8(u"cat");
    utf8.lineMode = true;
    utf8.closeInputAfterWrite = true;
    utf8.toFeed = {u"\u00e4\u4e2d\n"};
    utf8.run();
    EXPECT_EQ(utf8.rawOut, (std::vector<std::string>{"\xc3\xa4\xe4\xb8\xad\n"}));

    // A negative code page writes nothing and hands no decoded line on.
    RecordingCommand none(uR"(/bin/sh -c "echo raw; sleep 0.1")");
    none.lineMode = true;
    none.codePage = -1;
    none.toFeed = {u"ignored\n"};
    none.run();
    EXPECT_GE(none.fills, 1);
    EXPECT_EQ(none.bufferedAfterFill, 0u);
    EXPECT_EQ(none.rawOut, (std::vector<std::string>{"raw\n"}));
    EXPECT_TRUE(none.outLines.empty());
}

TEST(CommandTest, TimeOutKillsAndSetsKilled) {
    RecordingCommand command(u"sleep 10");
    command.timeout = 300;
    uint32_t start = platform::tickCount();
    command.run();
    uint32_t elapsed = platform::tickCount() - start;
    EXPECT_TRUE(command.killed);
    EXPECT_EQ(command.exitCode, 0u);
    EXPECT_GE(elapsed, 300u);
    EXPECT_LT(elapsed, 2000u);
    EXPECT_EQ(command.finished, 1);
}

TEST(CommandTest, AnotherThreadCancelsAtOnce) {
    RecordingCommand command(u"sleep 10");
    EXPECT_FALSE(command.terminate());  // nothing runs yet
    std::thread canceller([&] {
        platform::sleepMs(200);
        EXPECT_TRUE(command.terminate());
    });
    uint32_t start = platform::tickCount();
    command.run();
    canceller.join();
    EXPECT_TRUE(command.killed);
    EXPECT_LT(platform::tickCount() - start, 2000u);
    EXPECT_FALSE(command.terminate());  // already gone
}

TEST(CommandTest, ExitCodeOfTheChild) {
    RecordingCommand command(uR"(/bin/sh -c "exit 7")");
    command.run();
    EXPECT_EQ(command.exitCode, 7u);
    EXPECT_EQ(command.creationError, 0u);
    EXPECT_FALSE(command.killed);
    EXPECT_EQ(command.started, 1);
    EXPECT_EQ(command.finished, 1);
}

TEST(CommandTest, TwoRunnersAtOnce) {
    // The long runner must not keep the short one's input open: cat ends
    // as soon as its own input is closed.
    RecordingCommand slow(u"sleep 2");
    RecordingCommand fast(u"cat");
    fast.lineMode = true;
    fast.closeInputAfterWrite = true;
    fast.toFeed = {u"ping\n"};
    std::thread slowThread([&] { slow.run(); });
    platform::sleepMs(50);
    uint32_t start = platform::tickCount();
    std::thread fastThread([&] { fast.run(); });
    fastThread.join();
    uint32_t fastElapsed = platform::tickCount() - start;
    slowThread.join();
    EXPECT_LT(fastElapsed, 1500u);
    EXPECT_EQ(fast.outLines, (std::vector<std::u16string>{u"ping\n"}));

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
