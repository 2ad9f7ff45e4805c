// The calling process's identifier, and whether a process runs: a process that has ended is no
// running one, even while the system still knows it (its handle held, its exit status uncollected).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/platform.h"
#include "support/child_process.h"

namespace {

int endAtOnce(const std::vector<std::string>&) { return 0; }
CHILD_ROLE("end-at-once", endAtOnce);

int runUntilKilled(const std::vector<std::string>&) {
    for (;;) platform::waitPumping(1000, 0);
}
CHILD_ROLE("run-until-killed", runUntilKilled);

TEST(Processes, aProcessRunsUntilItEnds) {
    EXPECT_TRUE(platform::isProcessRunning(platform::currentProcessId()));
    // On Linux 0 and -1 would ask about a whole group of processes.
    for (const std::int64_t noProcess : {std::int64_t{0}, std::int64_t{-1}}) EXPECT_FALSE(platform::isProcessRunning(noProcess)) << noProcess;

    ChildProcess running("run-until-killed", {});
    ASSERT_NE(0, running.id());
    EXPECT_TRUE(platform::isProcessRunning(running.id()));
    running.kill();
    EXPECT_FALSE(platform::isProcessRunning(running.id())) << "killed";

    ChildProcess ended("end-at-once", {});
    ASSERT_NE(0, ended.id());
    // isRunning leaves the child's exit status to be collected, and the test keeps its handle.
    while (ended.isRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(platform::isProcessRunning(ended.id())) << "ended, its exit status not yet collected";
    ended.wait();
    EXPECT_FALSE(platform::isProcessRunning(ended.id())) << "ended";
}

}  // namespace
