// A damaged index is rebuilt from the table's rows; it decides neither how many rows there are
// nor which of them are copied.
#include <gtest/gtest.h>

#include "fixtures/damaged_database.h"
#include "repair/result_texts.h"
#include "repair_run.h"
#include "support/temp_folder.h"

namespace {

TEST(DamagedIndex, garbledIndexesIncludingTheOneCountUsesAreRebuiltWithEveryRow) {
    TempFolder folder;
    const WideString path = folder / u"records.db";
    ASSERT_TRUE(writeDatabase(path, {
        u"CREATE TABLE records (id INTEGER PRIMARY KEY, flag INTEGER, name TEXT, payload TEXT)",
        u"CREATE INDEX records_by_flag ON records (flag)",   // the smallest b-tree: COUNT(*) reads it
        u"CREATE INDEX records_by_name ON records (name, flag)",
        numbersUpTo(3000) + u"INSERT INTO records SELECT i, i % 2, 'name ' || i, printf('%.200c', 'x') FROM n",
    }));
    ASSERT_TRUE(garbleWholeLeafPage(path, u"records_by_flag"));
    ASSERT_TRUE(garbleLeafPage(path, u"records_by_name"));
    ASSERT_NE("integer:3000", exactValue(path, u"SELECT COUNT(*) FROM records")) << "the damaged index does not show in the count";
    ASSERT_FALSE(passesIntegrityCheck(path));
    const WideString everyRow = u"SELECT * FROM records NOT INDEXED ORDER BY id";
    const std::vector<std::string> sourceRows = exactRows(path, everyRow);
    ASSERT_EQ(3000u, sourceRows.size());

    ASSERT_EQ(WideString(kResultRepaired), repair(path));
    EXPECT_TRUE(passesIntegrityCheck(path));
    EXPECT_EQ(sourceRows, exactRows(path, everyRow));
    EXPECT_EQ("integer:3000", exactValue(path, u"SELECT COUNT(*) FROM records"));
    EXPECT_EQ("integer:1500", exactValue(path, u"SELECT COUNT(*) FROM records INDEXED BY records_by_flag WHERE flag = 1"));
    EXPECT_EQ("integer:2", exactValue(path, u"SELECT COUNT(*) FROM sqlite_master WHERE type = 'index'"));
}

}  // namespace
