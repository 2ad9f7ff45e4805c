// Tables and columns with names that must be quoted, or that hold the worker parameter's "||",
// are copied whole.
#include <gtest/gtest.h>

#include "fixtures/damaged_database.h"
#include "repair/result_texts.h"
#include "repair_run.h"
#include "support/temp_folder.h"

namespace {

TEST(Names, tablesAndColumnsWithAnyNameAreCopiedWhole) {
    TempFolder folder;
    const WideString path = folder / u"names.db";
    const WideString odd = u"\"|odd \"\"name\"\" || with 'quotes'|\"";
    ASSERT_TRUE(writeDatabase(path, {
        u"CREATE TABLE " + odd + u" (\"id \"\"key\"\"\" INTEGER PRIMARY KEY, \"select\" TEXT, \"a||b\" REAL, \"with blank\" BLOB, [[bracket])",
        u"CREATE INDEX \"idx \"\"odd\"\"\" ON " + odd + u" (\"select\", \"a||b\")",
        u"CREATE TABLE \"t||2\" (\"||\")",
        numbersUpTo(2500) + u"INSERT INTO " + odd +
            u" SELECT i, 'row ' || i, i / 4.0, zeroblob(i % 5), i % 3 FROM n",
        numbersUpTo(1500) + u"INSERT INTO \"t||2\" SELECT i FROM n",
    }));
    const struct { WideString table; std::size_t rows; } tables[] = {{odd, 2500}, {u"\"t||2\"", 1500}};

    std::vector<std::vector<std::string>> sourceRows;
    for (const auto& t : tables) sourceRows.push_back(exactRows(path, u"SELECT rowid, * FROM " + t.table + u" ORDER BY rowid"));
    ASSERT_EQ(WideString(kResultRepaired), repair(path));

    for (std::size_t i = 0; i < std::size(tables); ++i) {
        const std::vector<std::string> rows = exactRows(path, u"SELECT rowid, * FROM " + tables[i].table + u" ORDER BY rowid");
        EXPECT_EQ(tables[i].rows, rows.size()) << toUtf8(tables[i].table);
        EXPECT_EQ(sourceRows[i], rows) << toUtf8(tables[i].table);
    }
    EXPECT_EQ("integer:1", exactValue(path, u"SELECT COUNT(*) FROM sqlite_master WHERE name = 'idx \"odd\"'"));
    EXPECT_TRUE(passesIntegrityCheck(path));
}

}  // namespace
