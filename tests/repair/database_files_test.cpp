// A database moves together with SQLite's companion files, or not at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "repair/database_files.h"
#include "repair_run.h"
#include "support/temp_folder.h"

namespace {

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

}  // namespace
