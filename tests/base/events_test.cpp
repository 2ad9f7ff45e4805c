#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "base/atomic_integer.h"
#include "base/event_slot.h"
#include "base/wide_string.h"

namespace {

struct Sender {
    EventSlot<Sender, int, const WideString&> progress;
};

TEST(EventSlot, raisesToTheLatestSubscriberWithItsCookie) {
    Sender sender;
    EXPECT_EQ(0, sender.progress.raise(sender, 1, u"nobody listens"));
    EventTarget target;
    int firstCalls = 0;
    sender.progress.subscribe(target, 7, [&](Sender&, std::int32_t, int, const WideString&) { return ++firstCalls; });
    std::int32_t seenCookie = 0;
    WideString seenText;
    sender.progress.subscribe(target, 9, [&](Sender& from, std::int32_t cookie, int kind, const WideString& text) {
        EXPECT_EQ(&sender, &from);
        seenCookie = cookie;
        seenText = text;
        return kind * 10;
    });
    EXPECT_EQ(20, sender.progress.raise(sender, 2, u"修复中"));
    EXPECT_EQ(0, firstCalls);
    EXPECT_EQ(9, seenCookie);
    EXPECT_EQ(u"修复中", seenText);
}

TEST(EventSlot, neverReachesADestroyedReceiver) {
    Sender sender;
    int calls = 0;
    {
        EventTarget target;
        sender.progress.subscribe(target, 0, [&](Sender&, std::int32_t, int, const WideString&) { return ++calls; });
        sender.progress.raise(sender, 1, u"");
    }
    EXPECT_EQ(0, sender.progress.raise(sender, 1, u""));
    EXPECT_EQ(1, calls);
}

TEST(EventSlot, destructionWaitsForTheCallInProgress) {
    Sender sender;
    auto target = std::make_unique<EventTarget>();
    std::atomic<bool> inHandler{false};
    std::atomic<bool> handlerDone{false};
    sender.progress.subscribe(*target, 0, [&](Sender&, std::int32_t, int, const WideString&) {
        inHandler = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        handlerDone = true;
        return 0;
    });
    std::thread raiser([&] { sender.progress.raise(sender, 1, u""); });
    while (!inHandler) std::this_thread::yield();
    target.reset();
    EXPECT_TRUE(handlerDone);
    raiser.join();
}

TEST(AtomicInteger, exchangeAddAndCopy) {
    rg_YuanZiZhengShuLei number;
    EXPECT_EQ(0, number.load());
    EXPECT_EQ(0, number.exchange(5));
    EXPECT_EQ(8, number.add(3));
    rg_YuanZiZhengShuLei copy(number);
    EXPECT_EQ(8, copy.load());
    number.exchange(1);
    copy = number;
    EXPECT_EQ(1, copy.load());
}

TEST(AtomicInteger, addsFromManyThreadsWithoutLoss) {
    rg_YuanZiZhengShuLei number;
    std::thread threads[8];
    for (std::thread& t : threads) t = std::thread([&] { for (int i = 0; i < 10000; ++i) number.add(1); });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(80000, number.load());
}

}  // namespace
