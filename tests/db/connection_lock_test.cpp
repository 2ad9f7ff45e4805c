// The writer lock, the reader pool and the diagnostics raised after statements.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "db/database_fixture.h"

namespace {

class ConnectionLockTest : public DatabaseTest {};

TEST_F(ConnectionLockTest, theMainConnectionIsRecycledOnThe8000thOutermostUnlock) {
    // A setting made on the main connection lives as long as that connection does.
    database.lock(0);
    ASSERT_TRUE(database.execSql(u"PRAGMA synchronous = OFF"));
    database.unlock(0);
    while (database.unlockCount() < 7999) {
        database.lock(0);
        database.unlock(0);
    }
    database.lock(0);
    EXPECT_EQ("0", field(u"PRAGMA synchronous")) << "recycled before the 8000th unlock";
    database.unlock(0);
    EXPECT_EQ(0, database.unlockCount());

    database.lock(0);
    EXPECT_EQ("2", field(u"PRAGMA synchronous")) << "the reopened connection did not run PRAGMA synchronous = FULL";
    database.unlock(0);
    EXPECT_EQ(1, database.unlockCount());
    EXPECT_TRUE(messages.take().empty());
}

TEST_F(ConnectionLockTest, nestedLocksCountOnlyTheOutermostUnlock) {
    const std::int32_t before = database.unlockCount();
    EXPECT_TRUE(database.lock(0));
    EXPECT_TRUE(database.lock(0));
    EXPECT_EQ(2, database.lockDepth());
    EXPECT_EQ(platform::currentThreadId(), database.ownerThread());
    EXPECT_TRUE(database.unlock(0));
    EXPECT_EQ(1, database.lockDepth());
    EXPECT_EQ(0, database.ownerThread());   // cleared although the outer hold remains
    EXPECT_EQ(before, database.unlockCount());
    EXPECT_TRUE(database.unlock(0));
    EXPECT_EQ(0, database.lockDepth());
    EXPECT_EQ(before + 1, database.unlockCount());

    EXPECT_TRUE(database.lock(1));   // already locked by the caller: nothing happens
    EXPECT_TRUE(database.unlock(1));
    EXPECT_EQ(0, database.lockDepth());
    EXPECT_EQ(before + 1, database.unlockCount());
}

TEST_F(ConnectionLockTest, theLockHoldersQueriesSeeItsUncommittedWritesAndLeaveThePoolAlone) {
    ASSERT_TRUE(write({u"CREATE TABLE t(x)"}));
    const std::int32_t borrows = database.borrowCount();
    const std::int32_t idle = database.idleReaders();
    database.lock(0);
    ASSERT_TRUE(database.execSql(u"BEGIN TRANSACTION; INSERT INTO t VALUES (1)"));
    EXPECT_EQ(1, database.queryCount(u"t", u""));
    TypedPage page;
    EXPECT_TRUE(database.queryPage(u"SELECT x FROM t", page));
    EXPECT_EQ(1, page.rowCount());
    EXPECT_EQ(0, database.activeReaders());
    EXPECT_EQ(borrows, database.borrowCount());
    EXPECT_EQ(idle, database.idleReaders());

    // Another thread reads through the pool and sees only what is committed.
    std::int32_t seenElsewhere = -1;
    std::thread([&] { seenElsewhere = database.queryCount(u"t", u""); }).join();
    EXPECT_EQ(0, seenElsewhere);
    ASSERT_TRUE(database.execSql(u"ROLLBACK TRANSACTION"));
    database.unlock(0);
    EXPECT_EQ(borrows + 1, database.borrowCount());
}

TEST_F(ConnectionLockTest, aSurplusPoolShrinksOnThe51stBorrowWhenFiveAreIdleAndOneIsLent) {
    {
        std::vector<ReaderLease> leases;
        for (int i = 0; i < 5; ++i) leases.push_back(database.acquireReader());
        EXPECT_EQ(5, database.activeReaders());
    }
    ASSERT_EQ(5, database.idleReaders());
    ASSERT_EQ(0, database.activeReaders());
    // With five idle and itself lent, a borrow trims once more than 200 / (5 - 1) = 50 borrows
    // have been made since the last trim.
    while (database.borrowCount() < 50) {
        database.acquireReader();
        ASSERT_EQ(5, database.idleReaders()) << "trimmed at borrow " << database.borrowCount();
    }
    {
        const ReaderLease lease = database.acquireReader();
        EXPECT_EQ(0, database.borrowCount());
        EXPECT_EQ(3, database.idleReaders());   // one closed, one lent
    }
    EXPECT_EQ(4, database.idleReaders());
}

TEST_F(ConnectionLockTest, the8001stBorrowAlwaysTrims) {
    {
        const ReaderLease first = database.acquireReader();
        const ReaderLease second = database.acquireReader();
    }
    ASSERT_EQ(2, database.idleReaders());
    // Two idle and one lent never trim by the surplus rule.
    while (database.borrowCount() < 8000) {
        database.acquireReader();
        ASSERT_EQ(2, database.idleReaders()) << "trimmed at borrow " << database.borrowCount();
    }
    database.acquireReader();
    EXPECT_EQ(0, database.borrowCount());
    EXPECT_EQ(1, database.idleReaders());
}

TEST_F(ConnectionLockTest, aBorrowWaitsWhileFiftyReadersAreLent) {
    std::vector<ReaderLease> leases;
    for (int i = 0; i < 50; ++i) leases.push_back(database.acquireReader());
    std::atomic<bool> borrowed{false};
    std::thread borrower([&] {
        const ReaderLease lease = database.acquireReader();
        borrowed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(borrowed) << "a 51st reader was lent";
    leases.pop_back();
    borrower.join();
    EXPECT_TRUE(borrowed);
    leases.clear();
    EXPECT_EQ(0, database.activeReaders());
}

// A clock that moves on by a fixed step every time it is read.
std::atomic<std::uint32_t> fakeNow{0};
std::atomic<std::uint32_t> fakeStep{0};
std::uint32_t fakeTickCount() { return fakeNow += fakeStep; }

struct FakeClock {
    FakeClock(std::uint32_t start, std::uint32_t step) {
        fakeNow = start;
        fakeStep = step;
        platform::setTickSource(fakeTickCount);
    }
    ~FakeClock() { platform::setTickSource(nullptr); }
};

TEST_F(ConnectionLockTest, aStatementIsSlowWhenItTakesMoreThan1000Ms) {
    struct Case { std::uint32_t start; std::uint32_t step; bool slow; };
    const Case cases[] = {
        {5000, 1000, false},
        {5000, 1001, true},
        {0xFFFFFFFFu - 3000, 1001, true},
        {0xFFFFFFFFu - 1500, 1001, false},   // the count wrapped in between: a negative time is never slow
    };
    database.lock(0);
    for (const Case& c : cases) {
        {
            FakeClock clock(c.start, c.step);
            EXPECT_TRUE(database.execSql(u"SELECT 1"));
        }
        SCOPED_TRACE(c.start);
        if (c.slow)
            expectOneDiagnostic(messages, 2, u"慢查询", u"[语句:SELECT 1][错误:慢查询]");
        else
            EXPECT_TRUE(messages.take().empty());
    }
    database.unlock(0);
}

TEST_F(ConnectionLockTest, execSqlOutsideTheLockRangeReportsTheDepth) {
    struct Case { int locks; const char16_t* line; };
    const Case cases[] = {
        {0, u"[语句:SELECT 1][错误:锁记录次数0]"},
        {1, nullptr},
        {5, nullptr},
        {6, u"[语句:SELECT 1][错误:锁记录次数6]"},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < c.locks; ++i) database.lock(0);
        database.execSql(u"SELECT 1");
        for (int i = 0; i < c.locks; ++i) database.unlock(0);
        SCOPED_TRACE(c.locks);
        if (c.line)
            expectOneDiagnostic(messages, 3, u"锁异常", c.line);
        else
            EXPECT_TRUE(messages.take().empty());
    }
}

}  // namespace
