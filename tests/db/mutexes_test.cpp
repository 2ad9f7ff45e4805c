// The two mutex classes of the database object, within one process.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "db/mutexes.h"

namespace {

// Whether another thread can take the mutex within a short wait. The thread is left waiting
// when it cannot; the caller joins it after releasing.
template <typename Mutex>
bool takenByAnotherThread(Mutex& mutex, std::thread& other, std::atomic<bool>& taken) {
    other = std::thread([&] {
        mutex.acquire();
        taken = true;
        mutex.release();
    });
    for (int waited = 0; waited < 300 && !taken; waited += 10) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return taken;
}

TEST(CrossProcessMutex, isRecursiveForItsOwnerAndExcludesOtherThreadsUntilEveryHoldIsGiven) {
    rg_MoKuai_class_HuChiSuo_KuaJinCheng first;
    rg_MoKuai_class_HuChiSuo_KuaJinCheng second;
    ASSERT_TRUE(first.create(u"dovrane-db-test-recursive"));
    ASSERT_TRUE(second.create(u"dovrane-db-test-recursive"));   // opening an existing name succeeds
    first.acquire();
    first.acquire();
    std::thread other;
    std::atomic<bool> taken{false};
    EXPECT_FALSE(takenByAnotherThread(second, other, taken));
    first.release();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(taken) << "taken while one hold remained";
    first.release();
    other.join();
    EXPECT_TRUE(taken);
}

TEST(CrossProcessMutex, createReplacesTheHandleAndAnEmptyNameLeavesNone) {
    rg_MoKuai_class_HuChiSuo_KuaJinCheng holder;
    ASSERT_TRUE(holder.create(u"dovrane-db-test-first"));
    holder.acquire();
    rg_MoKuai_class_HuChiSuo_KuaJinCheng other;
    ASSERT_TRUE(other.create(u"dovrane-db-test-first"));
    ASSERT_TRUE(other.create(u"dovrane-db-test-second"));
    std::thread thread;
    std::atomic<bool> taken{false};
    EXPECT_TRUE(takenByAnotherThread(other, thread, taken)) << "still the first mutex after create";
    thread.join();
    holder.release();

    EXPECT_FALSE(other.create(u""));
    EXPECT_FALSE(other.hasHandle());
    other.acquire();   // without a handle both return at once
    other.release();
}

TEST(CrossProcessMutex, aCopyHasNoHandleAndAssigningKeepsTheTargetsOwn) {
    rg_MoKuai_class_HuChiSuo_KuaJinCheng original;
    ASSERT_TRUE(original.create(u"dovrane-db-test-copy"));
    const rg_MoKuai_class_HuChiSuo_KuaJinCheng copy(original);
    EXPECT_FALSE(copy.hasHandle());
    EXPECT_TRUE(copy == original);
    rg_MoKuai_class_HuChiSuo_KuaJinCheng assigned;
    assigned = original;
    EXPECT_FALSE(assigned.hasHandle());
    original = assigned;
    EXPECT_TRUE(original.hasHandle());
}

TEST(InProcessMutex, excludesOtherThreadsAndACopyHasItsOwnMutex) {
    rg_MoKuai_class_HuChiSuo_ChanJinCheng original;
    original.acquire();
    std::thread thread;
    std::atomic<bool> taken{false};
    EXPECT_FALSE(takenByAnotherThread(original, thread, taken));
    original.release();
    thread.join();
    EXPECT_TRUE(taken);

    original.acquire();
    rg_MoKuai_class_HuChiSuo_ChanJinCheng copy(original);
    std::atomic<bool> copyTaken{false};
    EXPECT_TRUE(takenByAnotherThread(copy, thread, copyTaken)) << "the copy shares the held mutex";
    original.release();
    thread.join();
}

}  // namespace
