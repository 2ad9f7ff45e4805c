// The backup a repair leaves is one file: the commits that lived only in the source's -wal are in
// it, so that a user who copies or restores the .db alone loses nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/log_merge.h"
#include "fixtures/damaged_database.h"
#include "platform/platform.h"
#include "repair/result_texts.h"
#include "repair_run.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace {

const WideString kEveryOrder = u"SELECT * FROM orders ORDER BY id";
const char kLateOrders[] = "PRAGMA wal_autocheckpoint = 0; INSERT INTO orders (customer, item) VALUES (1, 'late'), (2, 'later')";

// A shop database whose last two orders are committed in its -wal alone, as a program that ended
// without closing it leaves it (the "write-and-crash" role of other_programs_test.cpp).
void writeShopWithOrdersInItsLog(const WideString& path) {
    ASSERT_TRUE(writeShopDatabase(path, 1500));
    ChildProcess writer("write-and-crash", {toUtf8(path), kLateOrders});
    ASSERT_EQ(0, writer.wait());
    ASSERT_TRUE(platform::pathExists(path + u"-wal"));
}

TEST(Backup, theBackupAloneHoldsTheCommitsThatLivedInTheLog) {
    TempFolder folder, elsewhere;
    const WideString path = folder / u"shop.db";
    writeShopWithOrdersInItsLog(path);
    const std::vector<std::string> orders = exactRows(path, kEveryOrder);
    ASSERT_EQ(1502u, orders.size());

    ProgressLog log;
    EXPECT_EQ(WideString(kResultRepaired), repair(path));
    EXPECT_EQ((std::vector<std::string>{"2 创建临时数据库", "2 修复完毕"}), log.jobEvents()) << describe(log.events);
    EXPECT_EQ((std::vector<std::string>{"shop.db", "原数据库备份-<stamp>.db"}), filesWithoutStamps(folder.path()));
    WideString backup;
    for (const WideString& name : folder.fileNames())
        if (name.starts_with(u"原数据库备份-")) backup = name;
    std::filesystem::copy_file(std::filesystem::path(folder / backup), std::filesystem::path(elsewhere / u"restored.db"));
    EXPECT_EQ(orders, exactRows(elsewhere / u"restored.db", kEveryOrder));
    EXPECT_EQ(orders, exactRows(path, kEveryOrder));
}

TEST(Backup, aLogThatCannotBeMergedIsLeftAsItWas) {
    TempFolder folder;
    const WideString path = folder / u"shop.db";
    writeShopWithOrdersInItsLog(path);
    // SQLite cannot open a folder for the log's index, so it cannot read the log.
    ASSERT_TRUE(platform::deleteFile(path + u"-shm"));
    std::filesystem::create_directory(std::filesystem::path(path + u"-shm"));
    const std::string logBytes = fileBytes(path + u"-wal");

    EXPECT_FALSE(mergeCompanions(path).isLogMerged);
    EXPECT_EQ(logBytes, fileBytes(path + u"-wal"));
}

}  // namespace
