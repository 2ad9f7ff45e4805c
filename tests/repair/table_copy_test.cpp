// The row copy as the job's events and its page workers show it: progress by whole pages, one
// worker per page of 1000 rows, at most 51 unfinished workers, and the row-count check.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>

#include "fixtures/damaged_database.h"
#include "platform/platform.h"
#include "repair/process_objects.h"
#include "repair/result_texts.h"
#include "repair/table_copy.h"
#include "repair_run.h"
#include "support/temp_folder.h"

namespace {

// "CREATE TABLE name (id INTEGER PRIMARY KEY, x)" with rows rows.
StringArray tableOfRows(const WideString& name, std::int32_t rows) {
    return {u"CREATE TABLE " + name + u" (id INTEGER PRIMARY KEY, x INTEGER CHECK (x >= 0))",
            numbersUpTo(rows) + u"INSERT INTO " + name + u" (x) SELECT i FROM n"};
}

// Restores the platform's thread start when a test that replaced it ends.
struct PageThreadStarterScope {
    explicit PageThreadStarterScope(PageThreadStarter starter) { setPageThreadStarter(starter); }
    ~PageThreadStarterScope() { setPageThreadStarter(nullptr); }
};

std::atomic<int> startedWorkers{0};
std::atomic<int> mostUnfinishedWorkers{0};

bool countingStarter(platform::ThreadRoutine routine, const std::optional<WideString>& parameter) {
    ++startedWorkers;
    return platform::startThread(routine, parameter);
}

TEST(TableCopy, progressGoesByWholePagesAndEndsWithTheTableCopied) {
    TempFolder folder;
    const WideString path = folder / u"rows.db";
    ASSERT_TRUE(writeDatabase(path, tableOfRows(u"t", 2500)));
    ProgressLog log;
    ASSERT_EQ(WideString(kResultRepaired), repair(path));

    const std::vector<ProgressEvent> events = log.about(u"t");
    ASSERT_FALSE(events.empty());
    const std::set<std::int32_t> pageEnds = {0, 1000, 2000, 2500};
    std::int32_t lastDone = 0;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const ProgressEvent& e = events[i];
        EXPECT_EQ(2, e.kind) << describe(events);
        EXPECT_EQ(2500, e.total);
        EXPECT_TRUE(pageEnds.contains(e.done)) << e.done;
        EXPECT_GE(e.done, lastDone) << "progress went back";
        EXPECT_EQ(i + 1 == events.size() ? u"修复完毕" : u"修复中", e.text) << i;
        lastDone = e.done;
    }
    EXPECT_EQ(2500, events.back().done);
    EXPECT_EQ(2500u, exactRows(path, u"SELECT id FROM t").size());
}

TEST(TableCopy, eachPageOfUpTo1000RowsHasAWorkerOfItsOwn) {
    struct Case { std::int32_t rows; int workers; };
    const Case cases[] = {{0, 0}, {1, 1}, {1000, 1}, {1001, 2}, {2000, 2}};
    const PageThreadStarterScope scope(countingStarter);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        TempFolder folder;
        const WideString path = folder / u"rows.db";
        ASSERT_TRUE(writeDatabase(path, tableOfRows(u"t", c.rows)));
        startedWorkers = 0;
        ProgressLog log;
        EXPECT_EQ(WideString(kResultRepaired), repair(path));
        EXPECT_EQ(c.workers, startedWorkers.load());
        EXPECT_EQ(static_cast<std::size_t>(c.rows), exactRows(path, u"SELECT id FROM t").size());
        if (c.rows == 0) {
            EXPECT_TRUE(log.about(u"t").empty()) << "an empty table raises no event";
        }
    }
}

// Holds every worker until 51 have been started (or 10 s have passed), so that the throttle, not
// the speed of the workers, decides how many run at once.
void heldPage(WideString parameter) {
    for (int waited = 0; startedWorkers.load() < 51 && waited < 10000; waited += 5) platform::waitPumping(5, 0);
    copyPage(std::move(parameter));
}

bool throttleWatchingStarter(platform::ThreadRoutine, const std::optional<WideString>& parameter) {
    const int unfinished = ++startedWorkers - completedPages.load();
    int most = mostUnfinishedWorkers.load();
    while (unfinished > most && !mostUnfinishedWorkers.compare_exchange_weak(most, unfinished)) {}
    return platform::startThread(&heldPage, parameter);
}

TEST(TableCopy, noMoreThan51WorkersAreUnfinishedAtOnce) {
    TempFolder folder;
    const WideString path = folder / u"rows.db";
    ASSERT_TRUE(writeDatabase(path, tableOfRows(u"t", 120000)));
    startedWorkers = 0;
    mostUnfinishedWorkers = 0;
    const PageThreadStarterScope scope(throttleWatchingStarter);
    EXPECT_EQ(WideString(kResultRepaired), repair(path));
    EXPECT_EQ(120, startedWorkers.load());
    EXPECT_LE(mostUnfinishedWorkers.load(), 51);
    EXPECT_GE(mostUnfinishedWorkers.load(), 50) << "the workers were never held up: the throttle went untested";
    EXPECT_EQ("integer:120000", exactValue(path, u"SELECT COUNT(*) FROM t"));
}

TEST(TableCopy, aTableShortOfRowsFailsUnlessItIsExemptAndEitherWayTheLossIsReported) {
    struct Case { const char16_t* table; const char16_t* result; };
    // report is on the default exempt list, orders is not.
    const Case cases[] = {{u"report", kResultRepaired}, {u"orders", kResultDataAnomaly}};
    for (const Case& c : cases) {
        SCOPED_TRACE(toUtf8(c.table));
        TempFolder folder;
        const WideString path = folder / u"rows.db";
        // One row stored while CHECK constraints were off breaks the table's CHECK: the rebuilt
        // table refuses it and ends up one row short.
        StringArray statements = tableOfRows(c.table, 2499);
        statements.insert(statements.end(), {u"PRAGMA ignore_check_constraints = ON", u"INSERT INTO " + WideString(c.table) + u" (x) VALUES (-1)",
                                             u"PRAGMA ignore_check_constraints = OFF"});
        ASSERT_TRUE(writeDatabase(path, statements));
        ASSERT_EQ("integer:2500", exactValue(path, u"SELECT COUNT(*) FROM " + WideString(c.table)));

        ProgressLog log;
        EXPECT_EQ(WideString(c.result), repair(path));
        std::vector<ProgressEvent> failures = log.about(c.table);
        std::erase_if(failures, [](const ProgressEvent& e) { return e.kind != 1; });
        // Either way the lines say what was lost, and why.
        const WideString cause = u"写入新数据库出错:CHECK constraint failed: x >= 0";
        ASSERT_FALSE(failures.empty()) << describe(log.events);
        EXPECT_EQ(cause, failures.back().text);
        if (c.result == std::u16string_view(kResultRepaired)) {
            ASSERT_EQ(3u, failures.size()) << describe(log.events);
            EXPECT_EQ(u"免检表report: 原数据库数量:2500新表数量:2499", failures[0].text);
            EXPECT_EQ(u"免检表report: 新表中的行与原数据库读出的行不一致", failures[1].text);
            EXPECT_EQ("integer:2499", exactValue(path, u"SELECT COUNT(*) FROM report"));
        } else {
            ASSERT_EQ(2u, failures.size()) << describe(log.events);
            EXPECT_EQ(2500, failures[0].total);
            EXPECT_EQ(3000, failures[0].done) << "pages × 1000, not capped";
            EXPECT_EQ(u"修复失败,原数据库数量:2500新表数量:2499", failures[0].text);
            EXPECT_EQ((std::vector<std::string>{"rows.db"}), filesWithoutStamps(folder.path()));
        }
    }
}

bool secondPageFailsToStart(platform::ThreadRoutine routine, const std::optional<WideString>& parameter) {
    return parameter && parameter->ends_with(u"||1") ? false : platform::startThread(routine, parameter);
}

TEST(TableCopy, aPageWorkerThatCannotStartFailsTheTableInsteadOfWaitingForever) {
    TempFolder folder;
    const WideString path = folder / u"rows.db";
    ASSERT_TRUE(writeDatabase(path, tableOfRows(u"t", 2500)));
    const PageThreadStarterScope scope(secondPageFailsToStart);
    ProgressLog log;
    EXPECT_EQ(WideString(kResultDataAnomaly), repair(path));
    const std::vector<ProgressEvent> events = log.about(u"t");
    ASSERT_FALSE(events.empty());
    // A page finds its upper boundary itself: after the page that never ran, no page knows where it starts.
    EXPECT_EQ(u"修复失败,原数据库数量:2500新表数量:1000", events.back().text) << describe(events);
    EXPECT_EQ((std::vector<std::string>{"rows.db"}), filesWithoutStamps(folder.path()));
}

}  // namespace
