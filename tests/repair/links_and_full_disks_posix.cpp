// Files as Linux users keep them: a database reached through a symbolic link, a disk that fills up
// during the repair, and a temporary folder too small for the copy the source is read through.
#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "fixtures/damaged_database.h"
#include "repair/result_texts.h"
#include "repair_run.h"
#include "support/temp_folder.h"

namespace {

TEST(LinksAndDisks, aDatabaseReachedThroughASymbolicLinkIsRepairedWhereItLies) {
    TempFolder linkFolder, realFolder;
    const WideString real = realFolder / u"shop.db", link = linkFolder / u"shop.db";
    ASSERT_TRUE(writeShopDatabase(real, 1500));
    std::filesystem::create_symlink(std::filesystem::path(real), std::filesystem::path(link));
    const std::vector<std::string> orders = exactRows(real, u"SELECT * FROM orders ORDER BY id");

    EXPECT_EQ(WideString(kResultRepaired), repair(link));
    EXPECT_TRUE(std::filesystem::is_symlink(std::filesystem::path(link)));
    EXPECT_EQ(std::filesystem::path(real), std::filesystem::read_symlink(std::filesystem::path(link)));
    EXPECT_EQ((std::vector<std::string>{"shop.db"}), filesWithoutStamps(linkFolder.path()));
    EXPECT_EQ((std::vector<std::string>{"shop.db", "原数据库备份-<stamp>.db"}), filesWithoutStamps(realFolder.path()));
    EXPECT_EQ(orders, exactRows(link, u"SELECT * FROM orders ORDER BY id"));
}

// A small file system of its own, mounted while it lives; needs the right to mount (root).
class SmallDisk {
public:
    explicit SmallDisk(const char* size) {
        const std::string options = std::string("size=") + size;
        mounted = mount("tmpfs", toUtf8(folder.path()).c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted) umount2(toUtf8(folder.path()).c_str(), MNT_DETACH);
    }
    TempFolder folder;
    bool mounted = false;
};

// A write that fails is the program's own failure, not damage: an exempt table fails the run too.
TEST(LinksAndDisks, aDiskThatFillsUpFailsTheRunWithItsCauseAndKeepsTheSource) {
    for (const char16_t* table : {u"letters", u"report"}) {
        SCOPED_TRACE(toUtf8(table));
        SmallDisk disk("700k");
        if (!disk.mounted) GTEST_SKIP() << "mounting a small file system needs root";
        // Written elsewhere and copied in: it fits on the small disk once, not twice.
        TempFolder elsewhere;
        ASSERT_TRUE(writeDatabase(elsewhere / u"shop.db",
                                  {u"CREATE TABLE " + WideString(table) + u" (id INTEGER PRIMARY KEY, body TEXT)",
                                   numbersUpTo(4000) + u"INSERT INTO " + table + u" (body) SELECT printf('%.100c', 'x') || i FROM n"}));
        const WideString path = disk.folder / u"shop.db";
        std::filesystem::copy_file(std::filesystem::path(elsewhere / u"shop.db"), std::filesystem::path(path));
        const std::string sourceBytes = fileBytes(path);

        ProgressLog log;
        EXPECT_EQ(WideString(kResultDataAnomaly), repair(path));
        bool causeNamed = false;
        for (const ProgressEvent& event : log.events)
            causeNamed = causeNamed || (event.text.find(u"database or disk is full") != WideString::npos && event.text.find(table) != WideString::npos);
        EXPECT_TRUE(causeNamed) << describe(log.events);
        EXPECT_EQ(sourceBytes, fileBytes(path));
        EXPECT_EQ((std::vector<std::string>{"shop.db"}), filesWithoutStamps(disk.folder.path()));
    }
}

// The system's temporary folder set to another for the object's life.
class TemporaryFolderSet {
public:
    explicit TemporaryFolderSet(const WideString& folder) {
        if (const char* value = getenv("TMPDIR")) previous = value;
        setenv("TMPDIR", toUtf8(folder).c_str(), 1);
    }
    ~TemporaryFolderSet() {
        if (previous.empty()) unsetenv("TMPDIR");
        else setenv("TMPDIR", previous.c_str(), 1);
    }

private:
    std::string previous;
};

TEST(LinksAndDisks, aTemporaryFolderTooSmallForTheSourcesCopyFailsTheRunAndLeavesNothing) {
    SmallDisk disk("200k");
    if (!disk.mounted) GTEST_SKIP() << "mounting a small file system needs root";
    TempFolder folder;
    const WideString path = folder / u"shop.db";
    ASSERT_TRUE(writeDatabase(path, {u"CREATE TABLE letters (id INTEGER PRIMARY KEY, body TEXT)",
                                     numbersUpTo(4000) + u"INSERT INTO letters (body) SELECT printf('%.100c', 'x') || i FROM n"}));
    writeFile(path + u"-journal", "");   // a journal beside the source: it is read through a copy
    const std::string sourceBytes = fileBytes(path);

    const TemporaryFolderSet temporary(disk.folder.path());
    ProgressLog log;
    EXPECT_EQ(WideString(kResultDataAnomaly), repair(path));
    EXPECT_EQ((std::vector<std::string>{"1 修复失败,无法在临时文件夹中复制数据库:磁盘空间不足"}), log.jobEvents()) << describe(log.events);
    EXPECT_EQ(sourceBytes, fileBytes(path));
    EXPECT_EQ((std::vector<std::string>{"shop.db", "shop.db-journal"}), filesWithoutStamps(folder.path()));
    EXPECT_EQ(std::vector<std::string>{}, filesWithoutStamps(disk.folder.path())) << "the private folder stayed";
}

}  // namespace
