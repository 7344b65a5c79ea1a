#include <gtest/gtest.h>

#include <string>

#include "platform/Clock.h"
#include "platform/Process.h"

namespace {

using platform::Process;
using Stream = platform::Process::Stream;

TEST(ProcessTest, MissingProgramIsErrorTwo) {
    Process process;
    EXPECT_EQ(process.spawn({"varto-no-such-program", "x"}, false), 2);
    EXPECT_FALSE(process.started());
    Process empty;
    EXPECT_EQ(empty.spawn({}, false), 2);
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
    while (!quick.exited() && platform::tickCount() - start < 5000)
        quick.waitForActivity(1000, false);
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

TEST(ProcessTest, WriteToChildThatClosedInputFailsQuietly) {
    Process process;
    ASSERT_EQ(process.spawn({"true"}, false), 0);
    ASSERT_TRUE(process.waitExit(2000));
    std::string block(65536 * 2, 'x');
    int result = process.write(block.data(), static_cast<int>(block.size()));
    EXPECT_EQ(result, -1);  // EPIPE, and no SIGPIPE ended this test
}

}  // namespace
