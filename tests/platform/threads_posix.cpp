// On Linux a thread that cannot be created is a failed start, as out of memory is on Windows;
// none of pthread_create's failures passes by itself, so waiting for one would wait forever.
#include <sys/resource.h>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "support/child_process.h"

namespace {

constexpr int kStartedAnyway = 1;
constexpr int kLimitRefused = 2;

void doNothing(WideString) {}

// Caps the address space below what the process already maps, so that no new thread's stack
// fits, then tries to start a thread. Exits 0 when the start is reported as failed.
int startThreadWithoutMemory(const std::vector<std::string>&) {
    const rlimit tight{1 << 20, 1 << 20};
    if (setrlimit(RLIMIT_AS, &tight) != 0) return kLimitRefused;
    return platform::startThread(doNothing, std::nullopt) ? kStartedAnyway : 0;
}
CHILD_ROLE("start-thread-without-memory", startThreadWithoutMemory);

TEST(StartThread, aThreadWithoutMemoryForItsStackIsAFailedStart) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's runtime maps thread stacks of its own, past the address-space limit";
#endif
    ChildProcess child("start-thread-without-memory", {});
    for (int waited = 0; child.isRunning() && waited < 20000; waited += 50) platform::waitPumping(50, 0);
    if (child.isRunning()) {
        child.kill();
        FAIL() << "startThread kept trying to start the thread";
    }
    EXPECT_EQ(0, child.wait());
}

}  // namespace
