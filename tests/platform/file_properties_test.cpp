// Which paths lead to a file that holds data, on both platforms.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "scratch_files.h"
#include "support/temp_folder.h"

namespace {

TEST(IsRegularFile, onlyAFileThatHoldsDataIs) {
    TempFolder folder;
    writeFile(folder / u"数据.db", "data");
    writeFile(folder / u"empty.db", "");
    std::filesystem::create_directory(std::filesystem::path(folder / u"folder.db"));
    struct Case {
        const char16_t* name;
        bool isRegular;
    };
    const Case cases[] = {{u"数据.db", true}, {u"empty.db", true}, {u"folder.db", false}, {u"missing.db", false}};
    for (const Case& c : cases) EXPECT_EQ(c.isRegular, platform::isRegularFile(folder / c.name)) << toUtf8(c.name);
    EXPECT_FALSE(platform::isRegularFile(u""));
}

}  // namespace
