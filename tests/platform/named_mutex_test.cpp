// The named mutex: exclusive between threads and processes, recursive for its owner, and given
// up when its owner ends.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/platform.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace {

WideString uniqueName() {
    static int counter = 0;
    return u"dovrane-test-mutex-" + decimalText(platform::currentThreadId()) + u"-" + decimalText(platform::tickCount()) +
           u"-" + decimalText(++counter);
}

// A thread that opens the mutex of a name, acquires it and holds it until told to let go. If it
// never gets the mutex it stays blocked; it keeps its state alive by itself.
class Contender {
public:
    explicit Contender(const WideString& name) : state(std::make_shared<State>()) {
        std::thread([state = state, name] {
            platform::NamedMutex mutex;
            mutex.create(name);
            mutex.acquire();
            std::unique_lock<std::mutex> guard(state->lock);
            state->acquired = true;
            state->changed.notify_all();
            state->changed.wait(guard, [&] { return state->letGo; });
            mutex.release();
        }).detach();
    }
    Contender(const Contender&) = delete;
    Contender& operator=(const Contender&) = delete;
    ~Contender() { letGo(); }

    bool acquiredWithin(int milliseconds) {
        std::unique_lock<std::mutex> guard(state->lock);
        return state->changed.wait_for(guard, std::chrono::milliseconds(milliseconds), [&] { return state->acquired; });
    }
    void letGo() {
        std::lock_guard<std::mutex> guard(state->lock);
        state->letGo = true;
        state->changed.notify_all();
    }

private:
    struct State {
        std::mutex lock;
        std::condition_variable changed;
        bool acquired = false;
        bool letGo = false;
    };
    std::shared_ptr<State> state;
};

constexpr int kStaysBlockedMs = 300;
constexpr int kGetsItMs = 10000;

int holdMutex(const std::vector<std::string>& arguments) {
    platform::NamedMutex mutex;
    if (!mutex.create(fromUtf8(arguments.at(0)))) return 2;
    mutex.acquire();
    std::ofstream(std::filesystem::path(fromUtf8(arguments.at(1)))) << "held";
    for (;;) platform::waitPumping(1000, 0);
}
CHILD_ROLE("hold-mutex", holdMutex);

int takeMutex(const std::vector<std::string>& arguments) {
    platform::NamedMutex mutex;
    if (!mutex.create(fromUtf8(arguments.at(0)))) return 2;
    mutex.acquire();
    mutex.release();
    return 0;
}
CHILD_ROLE("take-mutex", takeMutex);

constexpr int kCountingTurns = 300;

// Arguments: NAME COUNTER READY GO. Creates READY, waits for GO, then kCountingTurns times adds
// one to the number in the file COUNTER, reading and rewriting it under the mutex NAME.
int countUnderMutex(const std::vector<std::string>& arguments) {
    platform::NamedMutex mutex;
    if (!mutex.create(fromUtf8(arguments.at(0)))) return 2;
    const std::filesystem::path counter(fromUtf8(arguments.at(1)));
    std::ofstream(std::filesystem::path(fromUtf8(arguments.at(2)))) << "ready";
    if (!waitForFile(fromUtf8(arguments.at(3)), 20000)) return 3;
    for (int turn = 0; turn < kCountingTurns; ++turn) {
        mutex.acquire();
        int count = 0;
        std::ifstream(counter) >> count;
        std::ofstream(counter) << count + 1;
        mutex.release();
    }
    return 0;
}
CHILD_ROLE("count-under-mutex", countUnderMutex);

TEST(NamedMutex, excludesAnotherThreadUntilReleased) {
    const WideString name = uniqueName();
    platform::NamedMutex mutex;
    ASSERT_TRUE(mutex.create(name));
    mutex.acquire();
    Contender other(name);
    Contender unrelated(uniqueName());
    EXPECT_TRUE(unrelated.acquiredWithin(kGetsItMs));
    EXPECT_FALSE(other.acquiredWithin(kStaysBlockedMs));
    mutex.release();
    EXPECT_TRUE(other.acquiredWithin(kGetsItMs));
}

TEST(NamedMutex, isRecursiveForItsOwner) {
    const WideString name = uniqueName();
    platform::NamedMutex mutex;
    platform::NamedMutex sameName;
    ASSERT_TRUE(mutex.create(name));
    ASSERT_TRUE(sameName.create(name));
    mutex.acquire();
    sameName.acquire();   // the owner passes through a second handle too
    mutex.acquire();
    Contender other(name);
    mutex.release();
    sameName.release();
    EXPECT_FALSE(other.acquiredWithin(kStaysBlockedMs));
    mutex.release();
    EXPECT_TRUE(other.acquiredWithin(kGetsItMs));
}

TEST(NamedMutex, releaseByAThreadThatDoesNotOwnItDoesNothing) {
    const WideString name = uniqueName();
    Contender owner(name);
    ASSERT_TRUE(owner.acquiredWithin(kGetsItMs));
    platform::NamedMutex mutex;
    ASSERT_TRUE(mutex.create(name));
    mutex.release();
    Contender waiter(name);
    EXPECT_FALSE(waiter.acquiredWithin(kStaysBlockedMs));
    owner.letGo();
    EXPECT_TRUE(waiter.acquiredWithin(kGetsItMs));
}

TEST(NamedMutex, aThreadThatEndsHoldingItGivesItUp) {
    const WideString name = uniqueName();
    platform::NamedMutex keeper;   // keeps the mutex itself alive after the thread's handle goes
    ASSERT_TRUE(keeper.create(name));
    std::thread([&name] {
        platform::NamedMutex mutex;
        mutex.create(name);
        mutex.acquire();
        mutex.acquire();
    }).join();
    Contender next(name);
    EXPECT_TRUE(next.acquiredWithin(kGetsItMs));
}

TEST(NamedMutex, withoutANameThereIsNoHandleAndNoLock) {
    platform::NamedMutex mutex;
    EXPECT_FALSE(mutex.create(u""));
    EXPECT_FALSE(mutex.hasHandle());
    mutex.acquire();
    mutex.release();
    EXPECT_TRUE(mutex.create(uniqueName()));
    EXPECT_TRUE(mutex.hasHandle());
    EXPECT_FALSE(mutex.create(u""));   // closes the handle it had
    EXPECT_FALSE(mutex.hasHandle());
}

TEST(NamedMutex, excludesAnotherProcessUntilReleased) {
    const WideString name = uniqueName();
    platform::NamedMutex mutex;
    ASSERT_TRUE(mutex.create(name));
    mutex.acquire();
    ChildProcess child("take-mutex", {toUtf8(name)});
    platform::waitPumping(kStaysBlockedMs, 0);
    EXPECT_TRUE(child.isRunning());
    mutex.release();
    EXPECT_EQ(0, child.wait());
}

// Two processes that take turns without end: every update to the counter they share must count.
TEST(NamedMutex, processesTakingTurnsLoseNoUpdate) {
    const WideString name = uniqueName();
    TempFolder folder;
    std::ofstream(std::filesystem::path(folder / u"counter")) << 0;
    ChildProcess first("count-under-mutex", {toUtf8(name), toUtf8(folder / u"counter"), toUtf8(folder / u"ready-1"), toUtf8(folder / u"go")});
    ChildProcess second("count-under-mutex", {toUtf8(name), toUtf8(folder / u"counter"), toUtf8(folder / u"ready-2"), toUtf8(folder / u"go")});
    EXPECT_TRUE(waitForFile(folder / u"ready-1", 20000) && waitForFile(folder / u"ready-2", 20000));
    std::ofstream(std::filesystem::path(folder / u"go")) << "go";   // both start together, to meet at the mutex
    EXPECT_EQ(0, first.wait());
    EXPECT_EQ(0, second.wait());
    int count = 0;
    std::ifstream(std::filesystem::path(folder / u"counter")) >> count;
    EXPECT_EQ(2 * kCountingTurns, count);
}

TEST(NamedMutex, isGivenUpWhenTheOwningProcessIsKilled) {
    const WideString name = uniqueName();
    TempFolder folder;
    ChildProcess owner("hold-mutex", {toUtf8(name), toUtf8(folder / u"held")});
    ASSERT_TRUE(waitForFile(folder / u"held", 20000));
    Contender waiter(name);
    EXPECT_FALSE(waiter.acquiredWithin(kStaysBlockedMs));
    owner.kill();
    EXPECT_TRUE(waiter.acquiredWithin(kGetsItMs));
}

}  // namespace
