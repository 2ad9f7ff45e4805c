// The run's page thread runs every started worker, in the order they were started, each with its
// own parameter, before the thread goes.
#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "base/wide_string.h"
#include "repair/page_workers.h"

namespace {

std::mutex ranLock;
std::vector<WideString> ran;   // guarded by ranLock

void recordParameter(WideString parameter) {
    const std::lock_guard<std::mutex> guard(ranLock);
    ran.push_back(std::move(parameter));
}

TEST(PageWorkers, everyStartedWorkerRunsInTheOrderItWasStartedBeforeTheThreadGoes) {
    std::vector<WideString> started;
    {
        const std::lock_guard<std::mutex> guard(ranLock);
        ran.clear();
    }
    {
        PageWorkers workers;
        for (std::int64_t page = 0; page < 200; ++page) {
            started.push_back(u"3||t||" + decimalText(page));
            ASSERT_TRUE(workers.start(&recordParameter, started.back()));
        }
    }   // the workers not yet run when it goes are run first
    const std::lock_guard<std::mutex> guard(ranLock);
    EXPECT_EQ(started, ran);
}

}  // namespace
