// Creating a new file: only where the name is free, and each failure named by its cause.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "scratch_files.h"
#include "support/temp_folder.h"

namespace {

using platform::FileError;

TEST(CreateNewFile, createsAnEmptyFileOnlyWhereTheNameIsFree) {
    TempFolder folder;
    writeFile(folder / u"taken.db", "keep");
    std::filesystem::create_directory(std::filesystem::path(folder / u"folder"));
    struct Case { const char16_t* name; FileError result; };
    const Case cases[] = {
        {u"新的.db", FileError::none},
        {u"新的.db", FileError::exists},   // the file just made
        {u"taken.db", FileError::exists},
        {u"folder", FileError::exists},
        {u"missing-folder/new.db", FileError::other},
    };
    for (const Case& c : cases) {
        WideString name = c.name;
        for (char16_t& unit : name)
            if (unit == u'/') unit = platform::kPathSeparator;
        EXPECT_EQ(c.result, platform::createNewFile(folder / name)) << toUtf8(c.name);
    }
    EXPECT_EQ((StringArray{u"folder", u"taken.db", u"新的.db"}), folder.fileNames());
    EXPECT_EQ("", readFile(folder / u"新的.db"));
    EXPECT_EQ("keep", readFile(folder / u"taken.db"));
    EXPECT_EQ(FileError::other, platform::createNewFile(u""));
}

}  // namespace
