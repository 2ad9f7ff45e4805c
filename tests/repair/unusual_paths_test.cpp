// Paths that lead to no database file: the run refuses them before it creates anything, and the
// integrity check before it opens them. A path longer than Windows takes without its long form.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/integrity_check.h"
#include "fixtures/damaged_database.h"
#include "platform/platform.h"
#include "repair/result_texts.h"
#include "repair_run.h"
#include "support/temp_folder.h"

namespace {

TEST(UnusualPaths, aFolderIsRefusedAndNothingIsCreated) {
    TempFolder folder;
    const WideString path = folder / u"shop.db";
    std::filesystem::create_directory(std::filesystem::path(path));

    ProgressLog log;
    EXPECT_EQ(WideString(kResultReadError), repair(path));
    EXPECT_EQ((std::vector<std::string>{"1 修复失败,不是数据库文件:" + toUtf8(path)}), log.jobEvents());
    EXPECT_EQ((std::vector<std::string>{"shop.db"}), filesWithoutStamps(folder.path()));
    EXPECT_TRUE(std::filesystem::is_empty(std::filesystem::path(path)));

    StringArray findings;   // dovrane-cli --check
    EXPECT_FALSE(checkIntegrity(path, findings));
    EXPECT_EQ(StringArray{u"not a database file: " + path}, findings);
}

// A database whose path has 250 characters: the files the run makes beside it (the temporary
// file, the backup, their -wal) have paths past the 260 characters Windows takes without its long
// form, and the run makes them all.
TEST(UnusualPaths, aDatabaseAtALongPathIsRepairedWithItsBackupBesideIt) {
    constexpr std::size_t kPathLength = 250;
    const WideString name = u"shop.db";
    TempFolder folder;
    // Folders with Chinese in their names, then one that brings the path to its length. (SQLite on
    // Linux takes no name past 512 bytes of UTF-8; Windows counts characters.)
    const WideString part = u"门店资料-shop-records-2024";
    WideString deep = folder.path();
    auto room = [&] { return kPathLength - name.size() - deep.size(); };
    while (room() > part.size() + 2) {
        deep += part + platform::kPathSeparator;
        ASSERT_TRUE(std::filesystem::create_directory(std::filesystem::path(deep)));
    }
    deep += WideString(room() - 1, u'x') + platform::kPathSeparator;
    ASSERT_TRUE(std::filesystem::create_directory(std::filesystem::path(deep)));
    const WideString path = deep + name;
    ASSERT_EQ(kPathLength, path.size());
    ASSERT_GT(deep.size() + WideString(u"原数据库备份-20240101120000.db").size(), 260u);
    ASSERT_TRUE(writeShopDatabase(path, 1500));
    ASSERT_TRUE(garbleLeafPage(path, u"orders_by_customer"));

    EXPECT_EQ(WideString(kResultRepaired), repair(path));
    EXPECT_EQ((std::vector<std::string>{"shop.db", "原数据库备份-<stamp>.db"}), filesWithoutStamps(deep));
    EXPECT_TRUE(passesIntegrityCheck(path));
}

}  // namespace
