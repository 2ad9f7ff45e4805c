// Creating a new file, folder or copy: only where the name is free, and each failure named by its
// cause.
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

TEST(CreateNewFile, copiesAndFoldersAreMadeOnlyWhereTheNameIsFree) {
    TempFolder folder;
    writeFile(folder / u"source.db", std::string("page\0one", 8));
    writeFile(folder / u"taken.db", "keep");
    EXPECT_EQ(FileError::none, platform::copyFile(folder / u"source.db", folder / u"副本.db"));
    EXPECT_EQ(std::string("page\0one", 8), readFile(folder / u"副本.db"));
    EXPECT_EQ(FileError::exists, platform::copyFile(folder / u"source.db", folder / u"taken.db"));
    EXPECT_EQ("keep", readFile(folder / u"taken.db"));
    EXPECT_EQ(FileError::other, platform::copyFile(folder / u"missing.db", folder / u"new.db"));
    EXPECT_FALSE(platform::pathExists(folder / u"new.db"));

    EXPECT_EQ(FileError::none, platform::createNewFolder(folder / u"private"));
    EXPECT_EQ(FileError::exists, platform::createNewFolder(folder / u"private"));
    writeFile(folder / u"private" + platform::kPathSeparator + u"left.db", "");
    EXPECT_FALSE(platform::deleteFolder(folder / u"private")) << "a folder with a file in it is kept";
    EXPECT_TRUE(platform::deleteFile(folder / u"private" + platform::kPathSeparator + u"left.db"));
    EXPECT_TRUE(platform::deleteFolder(folder / u"private"));
    EXPECT_EQ((StringArray{u"source.db", u"taken.db", u"副本.db"}), folder.fileNames());
    EXPECT_EQ(platform::kPathSeparator, platform::temporaryFolder().back());
}

}  // namespace
