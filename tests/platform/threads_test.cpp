// Started threads, the thread identity, the tick count and plain waits.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/platform.h"

namespace {

struct Received {
    std::mutex lock;
    std::condition_variable arrived;
    std::vector<WideString> parameters;
    std::vector<std::int32_t> threadIds;
};
Received received;

void recordParameter(WideString parameter) {
    std::lock_guard<std::mutex> guard(received.lock);
    received.parameters.push_back(std::move(parameter));
    received.threadIds.push_back(platform::currentThreadId());
    received.arrived.notify_all();
}

bool waitForThreads(std::size_t count) {
    std::unique_lock<std::mutex> guard(received.lock);
    return received.arrived.wait_for(guard, std::chrono::seconds(10), [&] { return received.parameters.size() >= count; });
}

TEST(StartThread, theThreadOwnsACopyOfItsParameter) {
    received.parameters.clear();
    received.threadIds.clear();
    {
        std::optional<WideString> parameter = WideString(u"3||users||2 数据");
        ASSERT_TRUE(platform::startThread(recordParameter, parameter));
        parameter->assign(u"changed by the starter");   // the thread must not see this
    }
    ASSERT_TRUE(waitForThreads(1));
    ASSERT_TRUE(platform::startThread(recordParameter, std::nullopt));
    ASSERT_TRUE(waitForThreads(2));

    std::lock_guard<std::mutex> guard(received.lock);
    EXPECT_EQ(u"3||users||2 数据", received.parameters[0]);
    EXPECT_EQ(u"", received.parameters[1]);
    for (const std::int32_t id : received.threadIds) {
        EXPECT_NE(0, id);
        EXPECT_NE(platform::currentThreadId(), id);
    }
}

std::uint32_t stoppedClock() { return 0xFFFFFFF0u; }

TEST(TickCount, followsAnInjectedSourceUntilItIsRemoved) {
    platform::setTickSource(stoppedClock);
    EXPECT_EQ(0xFFFFFFF0u, platform::tickCount());
    platform::setTickSource(nullptr);

    const std::uint32_t before = platform::tickCount();
    platform::waitPumping(60, 0);
    const std::uint32_t elapsed = platform::tickCount() - before;
    EXPECT_GE(elapsed, 40u);
    EXPECT_LT(elapsed, 60000u);
}

TEST(WaitPumping, waitsAtLeastTheTimeAsked) {
    for (const std::int32_t pump : {0, 1}) {
        const auto start = std::chrono::steady_clock::now();
        platform::waitPumping(100, pump);
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        EXPECT_GE(waited.count(), 95) << "pump " << pump;
    }
}

}  // namespace
