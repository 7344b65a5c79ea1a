#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Process.h"

namespace {

using platform::Process;
using Stream = platform::Process::Stream;

std::string readAll(Process& process, Stream stream) {
    std::string out;
    char buffer[4096];
    for (;;) {
        int available = process.bytesAvailable(stream);
        if (available > 0) {
            int n = process.read(stream, buffer, sizeof buffer);
            if (n > 0) out.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (process.exited() && process.bytesAvailable(stream) == 0) return out;
        process.waitForActivity(10, false);
    }
}

TEST(ProcessTest, MissingProgramIsErrorTwo) {
    Process process;
    EXPECT_EQ(process.spawn({"varto-no-such-program", "x"}, false), 2);
    EXPECT_FALSE(process.started());
    Process empty;
    EXPECT_EQ(empty.spawn({}, false), 2);
}

TEST(ProcessTest, ExitCodesAndStreams) {
    Process process;
    ASSERT_EQ(process.spawn({"/bin/sh", "-c", "printf out; printf err >&2; exit 3"}, false), 0);
    EXPECT_EQ(readAll(process, Stream::Output), "out");
    EXPECT_EQ(readAll(process, Stream::Error), "err");
    EXPECT_EQ(process.exitCode(), 3u);

    Process merged;
    ASSERT_EQ(merged.spawn({"/bin/sh", "-c", "printf a; printf b >&2"}, true), 0);
    EXPECT_TRUE(merged.errorIsOutput());
    EXPECT_EQ(readAll(merged, Stream::Output), "ab");
    EXPECT_EQ(merged.exitCode(), 0u);
}

TEST(ProcessTest, StillRunningAndTerminated) {
    Process process;
    ASSERT_EQ(process.spawn({"sleep", "10"}, false), 0);
    EXPECT_FALSE(process.exited());
    EXPECT_EQ(process.exitCode(), 259u);
    EXPECT_TRUE(process.terminate());
    EXPECT_TRUE(process.waitExit(2000));
    EXPECT_EQ(process.exitCode(), 0u);  // a terminated child reports 0
    EXPECT_FALSE(process.terminate());

    Process signalled;
    ASSERT_EQ(signalled.spawn({"/bin/sh", "-c", "kill -TERM $$"}, false), 0);
    EXPECT_TRUE(signalled.waitExit(2000));
    EXPECT_EQ(signalled.exitCode(), 128u + 15u);
}

TEST(ProcessTest, WaitWakesAtOnceOnExitAndOnOutput) {
    Process quick;
    ASSERT_EQ(quick.spawn({"true"}, false), 0);
    uint32_t start = platform::tickCount();
    while (!quick.exited() && platform::tickCount() - start < 5000) quick.waitForActivity(1000, false);
    EXPECT_LT(platform::tickCount() - start, 500u);

    Process talker;
    ASSERT_EQ(talker.spawn({"/bin/sh", "-c", "sleep 0.1; echo x; sleep 5"}, false), 0);
    start = platform::tickCount();
    while (talker.bytesAvailable(Stream::Output) == 0 && platform::tickCount() - start < 5000) {
        talker.waitForActivity(2000, false);
    }
    EXPECT_LT(platform::tickCount() - start, 1000u);
    EXPECT_EQ(talker.bytesAvailable(Stream::Output), 2);
}

TEST(ProcessTest, InputReachesChildAndClosingEndsIt) {
    Process process;
    ASSERT_EQ(process.spawn({"cat"}, false), 0);
    EXPECT_EQ(process.write("hello\n", 6), 6);
    process.closeInput();
    EXPECT_FALSE(process.inputOpen());
    EXPECT_EQ(process.write("x", 1), -1);
    EXPECT_EQ(readAll(process, Stream::Output), "hello\n");
    EXPECT_EQ(process.exitCode(), 0u);
}

TEST(ProcessTest, WriteToChildThatClosedInputFailsQuietly) {
    Process process;
    ASSERT_EQ(process.spawn({"true"}, false), 0);
    ASSERT_TRUE(process.waitExit(2000));
    std::string block(65536 * 2, 'x');
    int result = process.write(block.data(), static_cast<int>(block.size()));
    EXPECT_EQ(result, -1);  // EPIPE, and no SIGPIPE ended this test
}

TEST(ProcessTest, ChildrenDoNotInheritEachOthersPipes) {
    // If the second child held the first one's input open, cat would never
    // see the end of its input while sleep runs.
    Process reader;
    ASSERT_EQ(reader.spawn({"cat"}, false), 0);
    Process bystander;
    ASSERT_EQ(bystander.spawn({"sleep", "5"}, false), 0);
    reader.closeInput();
    EXPECT_TRUE(reader.waitExit(2000));
    EXPECT_FALSE(bystander.exited());
}

TEST(ProcessTest, TickCountIsMonotonicMilliseconds) {
    uint32_t before = platform::tickCount();
    platform::sleepMs(50);
    uint32_t elapsed = platform::tickCount() - before;
    EXPECT_GE(elapsed, 50u);
    EXPECT_LT(elapsed, 1000u);
}

}  // namespace
