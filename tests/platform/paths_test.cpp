// Path routines and file moves: one table of paths serves both platforms, built with the
// platform's own separator.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "support/child_process.h"
#include "support/temp_folder.h"
#include "scratch_files.h"

namespace {

using platform::kPathSeparator;

// Replaces every '|' of pattern with the platform's separator.
WideString path(const char16_t* pattern) {
    WideString text(pattern);
    for (char16_t& c : text)
        if (c == u'|') c = kPathSeparator;
    return text;
}

// Makes a folder the current folder while it lives.
class CurrentFolder {
public:
    explicit CurrentFolder(const WideString& folder) : previous(std::filesystem::current_path()) {
        std::filesystem::current_path(std::filesystem::path(folder));
    }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;
    ~CurrentFolder() { std::filesystem::current_path(previous); }

private:
    std::filesystem::path previous;
};

TEST(Paths, folderAndFileNameSplitAtTheLastSeparator) {
    struct Case { const char16_t* path; const char16_t* folder; const char16_t* name; };
    const Case cases[] = {
        {u"C:|a|b.db", u"C:|a|", u"b.db"},
        {u"C:|data|shop.db", u"C:|data|", u"shop.db"},
        {u"|a|b|", u"|a|b|", u""},
        {u"b.db", u"|", u"b.db"},   // no separator: a lone separator, and the whole path as name
        {u"", u"|", u""},
        {u"|x", u"|", u"x"},
        {u"C:|库|数据 库.DB", u"C:|库|", u"数据 库.DB"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(path(c.folder), platform::folderOf(path(c.path))) << toUtf8(c.path);
        EXPECT_EQ(path(c.name), platform::fileNameOf(path(c.path))) << toUtf8(c.path);
    }
}

TEST(Paths, extensionFollowsTheLastDotOfTheLastComponent) {
    struct Case { const char16_t* path; const char16_t* extension; };
    const Case cases[] = {
        {u"C:|a|b.db", u"db"},
        {u"C:|a|b.DB", u"DB"},
        {u"C:|data|shop.backup.db", u"db"},
        {u"C:|a.b|c", u""},          // the dot is in a folder
        {u"C:|a|name.", u""},        // a name ending in a dot
        {u"C:|a|noext", u""},
        {u"C:|a|.db", u"db"},
        {u"a..b", u"b"},
        {u"C:|a|b.tar.gz", u"gz"},
        {u"C:|a|my file.db", u"db"},
        {u"C:|a|my.file db", u""},   // a blank after the dot ends the extension
        {u"C:|a|b.d b", u""},
        {u"C:|a|数据.db", u"db"},
        {u"", u""},
        {u"|", u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WideString(c.extension), platform::fileExtensionOf(path(c.path))) << toUtf8(c.path);
}

TEST(Paths, moveInFolderWorksWithAndWithoutATrailingSeparator) {
    TempFolder folder;
    writeFile(folder / u"a.db", "one");
    WideString bare = folder.path();
    bare.pop_back();
    ASSERT_NE(kPathSeparator, bare.back());

    EXPECT_TRUE(platform::moveInFolder(bare, u"a.db", u"b.db"));
    EXPECT_TRUE(platform::moveInFolder(folder.path(), u"b.db", u"数据库-备份.db"));
    EXPECT_EQ(StringArray{u"数据库-备份.db"}, folder.fileNames());
    EXPECT_EQ("one", readFile(folder / u"数据库-备份.db"));
}

TEST(Paths, movesNeverOverwrite) {
    TempFolder folder;
    writeFile(folder / u"old.db", "old");
    writeFile(folder / u"taken.db", "taken");

    EXPECT_FALSE(platform::moveInFolder(folder.path(), u"old.db", u"taken.db"));
    EXPECT_FALSE(platform::moveFile(folder / u"old.db", folder / u"taken.db"));
    EXPECT_EQ("old", readFile(folder / u"old.db"));
    EXPECT_EQ("taken", readFile(folder / u"taken.db"));
}

TEST(Paths, moveOfAMissingFileFails) {
    TempFolder folder;
    EXPECT_FALSE(platform::moveInFolder(folder.path(), u"missing.db", u"other.db"));
    EXPECT_FALSE(platform::moveFile(folder / u"missing.db", folder / u"other.db"));
    EXPECT_FALSE(platform::moveInFolder(u"", u"missing.db", u"other.db"));
    EXPECT_TRUE(folder.fileNames().empty());
}

TEST(Paths, moveIsRefusedWhileAnotherProcessHoldsTheFile) {
    TempFolder folder;
    writeFile(folder / u"source.db", "data");
    ChildProcess holder("hold-file-open", {toUtf8(folder / u"source.db"), toUtf8(folder / u"ready")});
    ASSERT_TRUE(waitForFile(folder / u"ready", 20000));

    EXPECT_FALSE(platform::moveInFolder(folder.path(), u"source.db", u"backup.db"));
    EXPECT_EQ((StringArray{u"ready", u"source.db"}), folder.fileNames());

    holder.kill();
    EXPECT_TRUE(platform::moveInFolder(folder.path(), u"source.db", u"backup.db"));
    EXPECT_EQ("data", readFile(folder / u"backup.db"));
}

TEST(Files, existsDeleteAndFlush) {
    TempFolder folder;
    const WideString file = folder / u"file.db";
    EXPECT_FALSE(platform::pathExists(file));
    EXPECT_FALSE(platform::flushFile(file));
    EXPECT_FALSE(platform::deleteFile(file));

    writeFile(file, "content");
    EXPECT_TRUE(platform::pathExists(file));
    EXPECT_TRUE(platform::pathExists(folder.path()));
    EXPECT_TRUE(platform::flushFile(file));
    EXPECT_EQ("content", readFile(file));
    EXPECT_TRUE(platform::deleteFile(file));
    EXPECT_FALSE(platform::pathExists(file));
    EXPECT_FALSE(platform::deleteFile(folder.path()));   // folders are not files
    EXPECT_FALSE(platform::pathExists(u""));
}

TEST(ResolvedPath, relativeAndMissingPathsBecomeAbsolute) {
    TempFolder folder;
    writeFile(folder / u"shop.db", "data");
    std::filesystem::create_directory(std::filesystem::path(folder / u"sub"));
    const CurrentFolder inFolder(folder.path());
    struct Case { const char16_t* path; const char16_t* name; };
    const Case cases[] = {
        {u"shop.db", u"shop.db"},
        {u"sub|..|shop.db", u"shop.db"},
        {u".|sub", u"sub"},
        {u"missing.db", u"missing.db"},             // no file: made absolute all the same
        {u"gone|..|missing.db", u"missing.db"},     // and "." and ".." go without asking the disk
        {u".|gone|.|missing.db", u"gone|missing.db"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(folder.path() + path(c.name), platform::resolvedPath(path(c.path))) << toUtf8(c.path);
    EXPECT_EQ(folder / u"shop.db", platform::resolvedPath(folder / u"shop.db"));
    EXPECT_EQ(u"", platform::resolvedPath(u""));
}

}  // namespace
