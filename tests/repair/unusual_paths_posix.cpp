// Paths only Linux has: pipes and devices, which the run refuses before it creates anything, and
// folder names with a backslash, which on Linux is a character like any other.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "db/integrity_check.h"
#include "fixtures/damaged_database.h"
#include "repair/result_texts.h"
#include "repair_run.h"
#include "support/temp_folder.h"

namespace {

TEST(UnusualPaths, aPipeOrADeviceIsRefusedAndNothingIsCreated) {
    TempFolder folder;
    const WideString pipe = folder / u"shop.db";
    ASSERT_EQ(0, mkfifo(toUtf8(pipe).c_str(), 0600));
    // Before the refusal, the first read of the pipe waited for a writer that never came.
    for (const WideString& path : {pipe, WideString(u"/dev/null")}) {
        SCOPED_TRACE(toUtf8(path));
        ProgressLog log;
        EXPECT_EQ(WideString(kResultReadError), repair(path));
        EXPECT_EQ((std::vector<std::string>{"1 修复失败,不是数据库文件:" + toUtf8(path)}), log.jobEvents());
        StringArray findings;
        EXPECT_FALSE(checkIntegrity(path, findings));
    }
    EXPECT_EQ((std::vector<std::string>{"shop.db"}), filesWithoutStamps(folder.path()));
}

TEST(UnusualPaths, aDatabaseInAFolderWhoseNameHoldsABackslashIsRepaired) {
    TempFolder folder;
    const WideString inner = folder / u"订单\\2024";
    std::filesystem::create_directory(std::filesystem::path(inner));
    const WideString path = inner + u"/shop.db";
    ASSERT_TRUE(writeShopDatabase(path, 1500));
    const std::vector<std::string> orders = exactRows(path, u"SELECT * FROM orders ORDER BY id");

    ProgressLog log;
    EXPECT_EQ(WideString(kResultRepaired), repair(path)) << describe(log.events);
    EXPECT_EQ((std::vector<std::string>{"shop.db", "原数据库备份-<stamp>.db"}), filesWithoutStamps(inner));
    EXPECT_EQ(orders, exactRows(path, u"SELECT * FROM orders ORDER BY id"));
}

}  // namespace
