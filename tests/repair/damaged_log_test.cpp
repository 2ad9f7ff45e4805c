// A source whose -wal holds commits that SQLite would not read fails the run and stays as it is; a
// -wal that SQLite reads whole, or whose only damage a crash explains, is repaired with every row
// SQLite reads.
#include <gtest/gtest.h>

#include <functional>

#include "fixtures/damaged_database.h"
#include "fixtures/live_log.h"
#include "repair/result_texts.h"
#include "repair_run.h"
#include "support/temp_folder.h"

namespace {

const WideString kEveryOrder = u"SELECT * FROM orders ORDER BY id";
const WideString kOrdersBeforeTheLastCommit = u"SELECT * FROM orders WHERE item IS NOT 'last' ORDER BY id";
const WideString kTextLastCommitUnapplied = u"预写日志的最后一个事务不完整,未被应用";

// Transactions of their own, each of a few pages, that a program still running holds in its -wal.
const WideString kCommits =
    u"INSERT INTO orders (customer, item, note) SELECT customer, item || '+', 'copied' FROM orders WHERE id <= 200;"
    u"UPDATE orders SET amount = amount * 2 WHERE id % 3 = 0;"
    u"DELETE FROM orders WHERE id % 17 = 0;"
    u"INSERT INTO orders (customer, item, note) SELECT customer, item || '#', 'again' FROM orders WHERE id <= 200;"
    u"UPDATE orders SET note = 'changed ' || id WHERE id % 5 = 0;"
    u"INSERT INTO orders (customer, item) VALUES (3, 'last');";

using LogDamage = std::function<bool(const WideString& log)>;

TEST(DamagedLog, commitsSqliteWouldNotReadFailTheRunAndChangeNothing) {
    struct Case { const char* what; LogDamage damage; };
    const Case cases[] = {
        {"one middle frame's page", [](const WideString& log) { return garbleLogFrame(log, logFrameCount(log) / 2); }},
        {"the header's checksum", garbleLogHeader},
        // As a checkpoint leaves it, over frames that no checkpoint wrote into the file.
        {"the header renewed with new salts", renewLogSalts},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder live, folder;
        ASSERT_TRUE(writeShopDatabase(live / u"shop.db", 1500));
        const WideString path = folder / u"shop.db";
        ASSERT_TRUE(copyWhileOpen(live / u"shop.db", kCommits, path));
        ASSERT_TRUE(c.damage(path + u"-wal"));
        const std::string databaseBytes = fileBytes(path), logBytes = fileBytes(path + u"-wal");

        ProgressLog log;
        EXPECT_EQ(WideString(kResultDataAnomaly), repair(path));
        EXPECT_EQ((std::vector<std::string>{"1 修复失败,预写日志(-wal)损坏,已提交的事务可能无法读取", "1 修复失败数据库还原完毕"}), log.jobEvents())
            << describe(log.events);
        EXPECT_TRUE(databaseBytes == fileBytes(path)) << "the database file changed";
        EXPECT_TRUE(logBytes == fileBytes(path + u"-wal")) << "the -wal changed";
        EXPECT_EQ((std::vector<std::string>{"shop.db", "shop.db-wal"}), filesWithoutStamps(folder.path()));
    }
}

// A damaged last commit frame is what a crash while committing leaves: SQLite does not apply that
// transaction, and a line says so.
TEST(DamagedLog, aLogSqliteReadsToItsLastCommitIsRepairedWithEveryRow) {
    struct Case { const char* what; WideString statements; LogDamage damage; bool isLastCommitUnapplied = false; };
    const LogDamage none = [](const WideString&) { return true; };
    const Case cases[] = {
        {"intact", kCommits, none},
        // After a checkpoint the log starts again with new salts in front of the earlier, longer one.
        {"frames of an earlier log behind", kCommits + u"PRAGMA wal_checkpoint(RESTART); UPDATE orders SET item = 'after' WHERE id = 1;", none},
        // The end of a transaction that a crash cut off; it was never committed.
        {"an unfinished transaction's last frame torn", kCommits + u"PRAGMA cache_size = 1; BEGIN; UPDATE orders SET note = printf('%.200c', 'z');",
         [](const WideString& log) { return garbleLogFrame(log, logFrameCount(log)); }},
        {"the last commit frame torn", kCommits, [](const WideString& log) { return garbleLogFrame(log, logFrameCount(log)); }, true},
        {"the last commit frame cut short", kCommits, [](const WideString& log) { return cutLogShort(log, 100); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder live, folder;
        ASSERT_TRUE(writeShopDatabase(live / u"shop.db", 1500));
        const WideString path = folder / u"shop.db";
        ASSERT_TRUE(copyWhileOpen(live / u"shop.db", c.statements, path));
        ASSERT_TRUE(c.damage(path + u"-wal"));
        // The original holds what was committed once its connection closed.
        const std::vector<std::string> committed =
            exactRows(live / u"shop.db", c.isLastCommitUnapplied ? kOrdersBeforeTheLastCommit : kEveryOrder);
        ASSERT_GT(committed.size(), 1500u);

        ProgressLog log;
        EXPECT_EQ(WideString(kResultRepaired), repair(path)) << describe(log.events);
        EXPECT_EQ(c.isLastCommitUnapplied, log.saidLine(kTextLastCommitUnapplied)) << describe(log.events);
        EXPECT_EQ(committed, exactRows(path, kEveryOrder));
        EXPECT_TRUE(passesIntegrityCheck(path));
    }
}

}  // namespace
