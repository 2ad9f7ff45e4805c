// Every kind of stored table keeps its rows over several pages: rowids with gaps, negative and
// extreme values, rowids hidden behind columns of that name, WITHOUT ROWID tables keyed in any
// order and collation, STRICT tables, and generated columns.
#include <gtest/gtest.h>

#include "fixtures/damaged_database.h"
#include "repair/result_texts.h"
#include "repair_run.h"
#include "support/temp_folder.h"

namespace {

TEST(TableKinds, rowsOfEveryKindOfTableArriveWithTheirKeys) {
    TempFolder folder;
    const WideString path = folder / u"kinds.db";
    ASSERT_TRUE(writeDatabase(path, {
        u"CREATE TABLE loose (x TEXT)",
        numbersUpTo(2500) + u"INSERT INTO loose (rowid, x) SELECT (i - 1200) * 7, 'r' || i FROM n",
        u"INSERT INTO loose (rowid, x) VALUES (9223372036854775807, 'largest'), (-9223372036854775808, 'smallest')",
        u"CREATE TABLE shadowed (rowid TEXT, oid INTEGER, v)",
        numbersUpTo(1500) + u"INSERT INTO shadowed (_rowid_, rowid, oid, v) SELECT i * 11 - 3000, 'text ' || i, -i, i FROM n",
        u"CREATE TABLE descending (id INTEGER PRIMARY KEY DESC, v)",   // not a rowid alias: both travel
        numbersUpTo(1500) + u"INSERT INTO descending (rowid, id, v) SELECT i * 3, 5000 - i, i FROM n",
        u"CREATE TABLE pairs (a TEXT, b, c, PRIMARY KEY (a, b)) WITHOUT ROWID",
        numbersUpTo(3500) + u"INSERT INTO pairs SELECT 'k' || (i % 7), CASE i % 4 WHEN 0 THEN i WHEN 1 THEN i + 0.5 WHEN 2 THEN 'b' || i "
                        u"ELSE CAST(i AS BLOB) END, i FROM n",
        u"CREATE TABLE mixed (a TEXT, b, c, PRIMARY KEY (a, b DESC)) WITHOUT ROWID",
        numbersUpTo(3500) + u"INSERT INTO mixed SELECT 'k' || (i % 7), CASE i % 3 WHEN 0 THEN i WHEN 1 THEN i + 0.5 ELSE 'b' || i END, i FROM n",
        u"CREATE TABLE folded (name TEXT COLLATE NOCASE PRIMARY KEY, v) WITHOUT ROWID",
        numbersUpTo(2500) + u"INSERT INTO folded SELECT printf('%s%04d', CASE i % 2 WHEN 0 THEN 'Name' ELSE 'name' END, i), i FROM n",
        // The key's collation is not its column's: pages follow the key's order.
        u"CREATE TABLE keyed (name TEXT, v, PRIMARY KEY (name COLLATE NOCASE)) WITHOUT ROWID",
        numbersUpTo(2500) + u"INSERT INTO keyed SELECT printf('%s%04d', CASE i % 2 WHEN 0 THEN 'Name' ELSE 'name' END, i), i FROM n",
        u"CREATE TABLE strict (id INTEGER PRIMARY KEY, anything ANY, label TEXT NOT NULL) STRICT",
        numbersUpTo(1500) + u"INSERT INTO strict SELECT i * 2, CASE i % 3 WHEN 0 THEN '42' WHEN 1 THEN 4.5 ELSE X'00' END, 'l' || i FROM n",
        u"CREATE TABLE generated (a INTEGER, b TEXT, doubled AS (a * 2) VIRTUAL, shout TEXT AS (upper(b)) STORED)",
        numbersUpTo(1500) + u"INSERT INTO generated (a, b) SELECT i, 'word ' || i FROM n",
    }));
    const struct { const char16_t* table; const char16_t* everyRow; std::size_t rows; } tables[] = {
        {u"loose", u"SELECT rowid, * FROM loose ORDER BY rowid", 2502},
        {u"shadowed", u"SELECT _rowid_, * FROM shadowed ORDER BY _rowid_", 1500},
        {u"descending", u"SELECT rowid, * FROM descending ORDER BY rowid", 1500},
        {u"pairs", u"SELECT * FROM pairs ORDER BY a, b", 3500},
        {u"mixed", u"SELECT * FROM mixed ORDER BY a, b DESC", 3500},
        {u"folded", u"SELECT * FROM folded ORDER BY name", 2500},
        {u"keyed", u"SELECT * FROM keyed ORDER BY name COLLATE NOCASE", 2500},
        {u"strict", u"SELECT * FROM strict ORDER BY id", 1500},
        {u"generated", u"SELECT rowid, * FROM generated ORDER BY rowid", 1500},
    };
    std::vector<std::vector<std::string>> sourceRows;
    for (const auto& t : tables) sourceRows.push_back(exactRows(path, t.everyRow));

    ASSERT_EQ(WideString(kResultRepaired), repair(path));
    for (std::size_t i = 0; i < std::size(tables); ++i) {
        const std::vector<std::string> rows = exactRows(path, tables[i].everyRow);
        EXPECT_EQ(tables[i].rows, rows.size()) << toUtf8(tables[i].table);
        EXPECT_EQ(sourceRows[i], rows) << toUtf8(tables[i].table);
    }
    EXPECT_TRUE(passesIntegrityCheck(path));
}

// Columns called rowid, oid and _rowid_ leave SQL no name for the rowid: the rows arrive whole, in
// their b-tree's order, with new hidden row ids, and the run says so.
TEST(TableKinds, aTableWhoseRowidEveryNameHidesKeepsItsRowsInOrder) {
    TempFolder folder;
    const WideString path = folder / u"hidden.db";
    ASSERT_TRUE(writeDatabase(path, {u"CREATE TABLE hidden (k INTEGER PRIMARY KEY, v)",
                                     numbersUpTo(2500) + u"INSERT INTO hidden SELECT i * 7 - 3000, 'v' || i FROM n",
                                     u"CREATE TABLE renamed (rowid TEXT, oid INTEGER, _rowid_ BLOB, v)",
                                     u"INSERT INTO renamed SELECT 'text ' || k, -k, CAST(k AS BLOB), v FROM hidden ORDER BY k DESC",
                                     u"DROP TABLE hidden"}));
    // Every column, in the b-tree's order: the rows' order is all that is left of the hidden row ids.
    const WideString everyRow = u"SELECT * FROM renamed";
    const std::vector<std::string> sourceRows = exactRows(path, everyRow);
    ASSERT_EQ(2500u, sourceRows.size());

    ProgressLog log;
    ASSERT_EQ(WideString(kResultRepaired), repair(path)) << describe(log.events);
    EXPECT_EQ(sourceRows, exactRows(path, everyRow));
    const std::vector<ProgressEvent> events = log.about(u"renamed");
    bool said = false;
    for (const ProgressEvent& event : events) said = said || (event.kind == 1 && event.text.ends_with(u"隐藏的行号已重新编号:renamed"));
    EXPECT_TRUE(said) << describe(log.events);
}

TEST(TableKinds, aTableOfMoreThan2000ColumnsIsCopied) {
    TempFolder folder;
    const WideString path = folder / u"wide.db";
    WideString columns = u"id INTEGER PRIMARY KEY";
    for (int i = 1; i <= 2001; ++i) columns += u", c" + decimalText(i);
    ASSERT_TRUE(writeDatabase(path, {u"CREATE TABLE wide (" + columns + u")",
                                     numbersUpTo(1200) + u"INSERT INTO wide (id, c1, c2001) SELECT i, 'first ' || i, i * 2 FROM n"}));
    const WideString everyRow = u"SELECT id, c1, c2000, c2001 FROM wide ORDER BY id";
    const std::vector<std::string> sourceRows = exactRows(path, everyRow);
    ASSERT_EQ(1200u, sourceRows.size());

    ASSERT_EQ(WideString(kResultRepaired), repair(path));
    EXPECT_EQ(sourceRows, exactRows(path, everyRow));
}

}  // namespace
