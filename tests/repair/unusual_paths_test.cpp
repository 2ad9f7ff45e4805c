// Paths that lead to no database file: the run refuses them before it creates anything, and the
// integrity check before it opens them.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/integrity_check.h"
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

}  // namespace
