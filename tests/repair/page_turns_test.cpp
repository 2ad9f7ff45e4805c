// Page workers write in page order, however they arrive, and a finished page always wakes the next.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "repair/page_turns.h"

namespace {

constexpr int kTables = 12;
constexpr int kPages = 50;

struct Written {
    std::mutex lock;
    std::vector<int> pages;
    std::atomic<int> finished{0};
};

TEST(PageTurns, pagesWriteInOrderAndNoWakeUpIsLost) {
    // Outlives workers that a lost wake-up leaves waiting, so that the test fails instead of hanging.
    static PageTurns turns;
    std::vector<int> inOrder;
    for (int page = 0; page < kPages; ++page) inOrder.push_back(page);
    for (int table = 0; table < kTables; ++table) {
        turns.reset(kPages);
        const auto written = std::make_shared<Written>();
        for (int page = kPages - 1; page >= 0; --page) {   // last page first: nearly every worker waits
            std::thread([written, page] {
                turns.waitFor(page);
                {
                    const std::lock_guard<std::mutex> guard(written->lock);
                    written->pages.push_back(page);
                }
                turns.finish(page);
                ++written->finished;
            }).detach();
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (written->finished.load() < kPages && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(kPages, written->finished.load()) << "table " << table << ": a worker still waits for its turn";
        const std::lock_guard<std::mutex> guard(written->lock);
        EXPECT_EQ(inOrder, written->pages) << "table " << table;
    }
}

}  // namespace
