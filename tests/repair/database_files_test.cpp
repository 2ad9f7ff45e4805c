// A database moves together with SQLite's companion files, or not at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "fixtures/damaged_database.h"
#include "jobs/database_files.h"
#include "platform/platform.h"
#include "repair_run.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace {

constexpr int kStoppedAtStep = 42;

// Arguments: folder, step. Swaps rebuilt.db in for shop.db, with backup.db for the backup, and
// ends the process abruptly right after that step, as a kill or a power cut would: exit code
// kStoppedAtStep, or 0 when the swap was over before that step, 1 when it failed.
int swapUntilStep(const std::vector<std::string>& arguments) {
    const int stopAt = std::stoi(arguments.at(1));
    const bool swapped = swapInRebuilt(fromUtf8(arguments.at(0)), u"shop.db", u"rebuilt.db", u"backup.db", [stopAt](int step) {
        if (step == stopAt) std::_Exit(kStoppedAtStep);
    });
    return swapped ? 0 : 1;
}
CHILD_ROLE("swap-until-step", swapUntilStep);

// What a program finds under name: the database read from a copy of the file and its companions
// in a folder of their own (reading it here could change it): its user_version, then its orders.
std::string databaseUnder(const TempFolder& folder, const WideString& name) {
    if (!platform::pathExists(folder / name)) return "no file";
    TempFolder copy;
    for (const char16_t* suffix : {u"", u"-wal", u"-journal", u"-shm"})
        if (platform::pathExists(folder / (name + suffix)))
            std::filesystem::copy_file(std::filesystem::path(folder / (name + suffix)), std::filesystem::path(copy / (u"copy.db" + WideString(suffix))));
    return exactValue(copy / u"copy.db", u"PRAGMA user_version") + " / " + exactValue(copy / u"copy.db", u"SELECT COUNT(*) FROM orders");
}

TEST(DatabaseFiles, aDatabaseMovesWithItsCompanionsOrNotAtAll) {
    struct Case {
        const char* what;
        std::vector<std::string> before;   // each file holds its own name
        bool moved;
        std::vector<std::string> after;    // name, then the name of the file whose bytes it holds
    };
    const Case cases[] = {
        {"alone", {"a.db"}, true, {"b.db=a.db"}},
        {"with every companion", {"a.db", "a.db-journal", "a.db-shm", "a.db-wal"}, true,
         {"b.db=a.db", "b.db-journal=a.db-journal", "b.db-shm=a.db-shm", "b.db-wal=a.db-wal"}},
        {"new name taken", {"a.db", "a.db-wal", "b.db"}, false, {"a.db=a.db", "a.db-wal=a.db-wal", "b.db=b.db"}},
        {"a companion's new name taken", {"a.db", "a.db-shm", "a.db-wal", "b.db-wal"}, false,
         {"a.db=a.db", "a.db-shm=a.db-shm", "a.db-wal=a.db-wal", "b.db-wal=b.db-wal"}},
        {"stale companion of the new name", {"a.db", "b.db-wal"}, false, {"a.db=a.db", "b.db-wal=b.db-wal"}},
        {"no database", {"a.db-wal"}, false, {"a.db-wal=a.db-wal"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        for (const std::string& name : c.before) std::ofstream(std::filesystem::path(folder / fromUtf8(name)), std::ios::binary) << name;

        EXPECT_EQ(c.moved, moveDatabaseInFolder(folder.path(), u"a.db", u"b.db"));
        std::vector<std::string> after;
        for (const WideString& name : folder.fileNames()) after.push_back(toUtf8(name) + "=" + fileBytes(folder / name));
        std::sort(after.begin(), after.end());
        std::vector<std::string> expected = c.after;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(expected, after);
    }
}

TEST(DatabaseFiles, aSwapStoppedAtAnyStepLeavesTheWholeSourceUnderOneName) {
    const std::string wholeSource = "integer:7 / integer:1502", mainFileAlone = "integer:7 / integer:1500", rebuilt = "integer:99 / integer:0";
    struct Step {
        std::vector<std::string> files;
        std::string atPath, atBackup;
    };
    const Step steps[] = {
        {{"backup.db", "rebuilt.db", "shop.db", "shop.db-shm", "shop.db-wal"}, wholeSource, mainFileAlone},
        {{"backup.db", "backup.db-wal", "rebuilt.db", "shop.db", "shop.db-shm"}, mainFileAlone, wholeSource},
        {{"backup.db", "backup.db-shm", "backup.db-wal", "rebuilt.db", "shop.db"}, mainFileAlone, wholeSource},
        {{"backup.db", "backup.db-shm", "backup.db-wal", "shop.db"}, rebuilt, wholeSource},
    };
    constexpr int kSteps = static_cast<int>(std::size(steps));
    for (int stopAt = 1; stopAt <= kSteps + 1; ++stopAt) {
        SCOPED_TRACE("stopped after step " + std::to_string(stopAt));
        TempFolder folder;
        ASSERT_TRUE(writeShopDatabase(folder / u"shop.db", 1500));
        // The "write-and-crash" role of other_programs_test.cpp leaves two orders in the -wal alone.
        ChildProcess writer("write-and-crash", {toUtf8(folder / u"shop.db"),
                                                "PRAGMA wal_autocheckpoint = 0; INSERT INTO orders (customer, item) VALUES (1, 'late'), (2, 'later')"});
        ASSERT_EQ(0, writer.wait());
        ASSERT_TRUE(writeDatabase(folder / u"rebuilt.db", {u"CREATE TABLE orders (id INTEGER PRIMARY KEY)", u"PRAGMA user_version = 99"}));

        ChildProcess swap("swap-until-step", {toUtf8(folder.path()), std::to_string(stopAt)});
        EXPECT_EQ(stopAt <= kSteps ? kStoppedAtStep : 0, swap.wait());
        const Step& step = steps[std::min(stopAt, kSteps) - 1];
        EXPECT_EQ(step.files, filesWithoutStamps(folder.path()));
        EXPECT_EQ(step.atPath, databaseUnder(folder, u"shop.db"));
        EXPECT_EQ(step.atBackup, databaseUnder(folder, u"backup.db"));
    }
}

}  // namespace
