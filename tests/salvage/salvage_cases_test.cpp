// Salvages of a shop's database damaged in one known place each: which rows come back to their
// own table with the values they had, which the report names as lost and how, against the ground
// truth the fixture keeps of every row before the damage.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "fixtures/damaged_database.h"
#include "fixtures/live_log.h"
#include "fixtures/salvage_cases.h"
#include "salvage/salvage_job.h"
#include "support/temp_folder.h"

namespace {

// Each table of the shop, with what reads one of its rows back as text: its key and its values.
struct ShopTable {
    const char16_t* name;
    const char16_t* key;
    const char16_t* values;
};
const ShopTable kShopTables[] = {
    {u"orders", u"rowid", u"quote(customer) || ',' || quote(amount) || ',' || quote(note)"},   // an index on customer
    {u"items", u"rowid", u"quote(sku) || ',' || quote(qty)"},                                   // an index holding every column
    {u"logs", u"rowid", u"quote(line)"},                                                        // no index
    {u"codes", u"code", u"quote(label)"},                                                       // without rowid
};

StringArray shopStatements() {
    return {
        u"CREATE TABLE orders (id INTEGER PRIMARY KEY, customer TEXT NOT NULL, amount INTEGER, note TEXT)",
        u"CREATE INDEX orders_by_customer ON orders (customer)",
        u"CREATE TABLE items (id INTEGER PRIMARY KEY, sku TEXT, qty INTEGER)",
        u"CREATE INDEX items_whole ON items (sku, qty)",
        u"CREATE TABLE logs (id INTEGER PRIMARY KEY, line TEXT)",
        u"CREATE TABLE codes (code TEXT PRIMARY KEY, label TEXT) WITHOUT ROWID",
        u"CREATE VIEW big_orders AS SELECT * FROM orders WHERE amount > 500",
    };
}

// 2400 orders of about 1000 bytes (three levels of b-tree), 2000 items, 2000 log lines, 2000 codes.
bool writeShop(const WideString& path) {
    StringArray statements = shopStatements();
    for (const char16_t* rows : {
             u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2400) "
             u"INSERT INTO orders (customer, amount, note) SELECT printf('customer %04d', i % 700), i * 7 % 1000, printf('%.950c', 'n') FROM n",
             u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
             u"INSERT INTO items (sku, qty) SELECT printf('sku-%05d', i), i % 17 FROM n",
             u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
             u"INSERT INTO logs (line) SELECT printf('log line %05d %.60c', i, 'l') FROM n",
             u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
             u"INSERT INTO codes SELECT printf('code-%05d', i), printf('label %.80c', 'c') FROM n",
         })
        statements.push_back(rows);
    return writeDatabase(path, statements);
}

// Every row of a table, its key's text to its values' text.
using TableRows = std::map<WideString, WideString>;

TableRows rowsOf(const WideString& path, const ShopTable& table) {
    TableRows rows;
    for (const WideString& row : readColumn(path, WideString(u"SELECT quote(") + table.key + u") || char(9) || " + table.values + u" FROM " + table.name)) {
        const std::size_t tab = row.find(u'\t');
        rows[row.substr(0, tab)] = row.substr(tab + 1);
    }
    return rows;
}

std::string fileBytes(const WideString& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

enum class Damage { none, middleLeaf, interiorBelowRoot, root, schemaPage, schemaPageWithCopy, cutInTable };

// Orders of a customer whose index entries sort after every other: the table's new leaves, and its
// last one among them, lie at the end of the file while its index stays within it.
const WideString kLateOrders = u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40) "
                               u"INSERT INTO orders (customer, amount, note) SELECT 'customer 9999', i, printf('%.950c', 'z') FROM n";

struct SalvageCase {
    const char* what;
    const char16_t* object;   // the table damaged
    Damage damage;
};

// The cells of the page the damage hits, read before it: the rows the salvage cannot have back.
std::int64_t damage(const WideString& path, const SalvageCase& c) {
    switch (c.damage) {
    case Damage::none: return 0;
    case Damage::middleLeaf: return garbleTreePage(path, c.object, TreePage::middleLeaf);
    case Damage::interiorBelowRoot: {
        const std::int64_t cells = garbleTreePage(path, c.object, TreePage::interiorBelowRoot);
        // A rowid table's interior pages hold keys alone; a table without rowid's hold rows.
        return c.object == std::u16string_view(u"codes") || cells < 0 ? cells : 0;
    }
    case Damage::root: {
        const StringArray cells = readColumn(path, WideString(u"SELECT ncell FROM dbstat WHERE path = '/' AND name = '") + c.object + u"'");
        if (!garbleRootPage(path, c.object) || cells.size() != 1) return -1;
        return c.object == std::u16string_view(u"codes") ? std::stoll(toUtf8(cells[0])) : 0;
    }
    case Damage::schemaPage:
    case Damage::schemaPageWithCopy: return garbleFirstPage(path) ? 0 : -1;
    case Damage::cutInTable: {
        const std::int64_t cells = cellsOnGarbledLeaf(path, c.object);
        return cutBeforeLastLeaf(path, c.object) ? cells : -1;
    }
    }
    return -1;
}

TEST(SalvageCases, rowsComeBackToTheirTablesAndEveryLostRowIsNamed) {
    const SalvageCase cases[] = {
        {"sound", u"orders", Damage::none},
        {"leaf of a table with an index", u"orders", Damage::middleLeaf},
        {"interior page of a table with an index", u"orders", Damage::interiorBelowRoot},
        {"root of a table with an index", u"orders", Damage::root},
        {"leaf of a table whose index holds every column", u"items", Damage::middleLeaf},
        {"leaf of a table without an index", u"logs", Damage::middleLeaf},
        {"root of a table without an index", u"logs", Damage::root},
        {"leaf of a table without rowid", u"codes", Damage::middleLeaf},
        {"root of a table without rowid", u"codes", Damage::root},
        {"schema page, no copy", u"", Damage::schemaPage},
        {"schema page, with a copy of the schema", u"", Damage::schemaPageWithCopy},
        {"file cut short before a table's last leaf", u"orders", Damage::cutInTable},
    };
    for (const SalvageCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"shop.db";
        ASSERT_TRUE(writeShop(path));
        if (c.damage == Damage::cutInTable) {
            ASSERT_TRUE(writeDatabase(path, {kLateOrders}));
        }
        std::map<WideString, TableRows> before;
        for (const ShopTable& table : kShopTables) before[table.name] = rowsOf(path, table);
        WideString copy;
        if (c.damage == Damage::schemaPageWithCopy) {
            copy = folder / u"原数据库备份-20261101090000.db";
            ASSERT_TRUE(writeDatabase(copy, shopStatements()));
        }
        const std::int64_t destroyed = damage(path, c);
        ASSERT_GE(destroyed, 0);
        const std::string sourceBytes = fileBytes(path);

        const SalvageOutcome outcome = salvageJob.salvageDatabase(path, copy);
        const SalvageReport& report = outcome.report;
        const std::string text = toUtf8(report.text());
        ASSERT_FALSE(report.salvaged.empty()) << toUtf8(outcome.result);
        EXPECT_EQ(sourceBytes, fileBytes(path)) << "the source changed";
        EXPECT_EQ(c.damage == Damage::none, report.isNothingLost()) << text;

        if (c.damage == Damage::schemaPage) {
            // No table is known: every rowid table's row waits in lost_and_found, and no index entry counts as a row.
            EXPECT_TRUE(report.tables.empty()) << text;
            EXPECT_EQ(2400 + 2000 + 2000, report.lostAndFoundRows) << text;
            EXPECT_GE(report.indexEntriesApart, 2000) << text;
            continue;
        }
        for (const ShopTable& shopTable : kShopTables) {
            SCOPED_TRACE(toUtf8(shopTable.name));
            const TableRows after = rowsOf(report.salvaged, shopTable);
            const TableRows& original = before[shopTable.name];
            // Every row back holds the values it had.
            for (const auto& [key, values] : after) {
                const auto had = original.find(key);
                ASSERT_NE(original.end(), had) << toUtf8(key) << " was never a row";
                EXPECT_EQ(had->second, values) << toUtf8(key);
            }
            std::vector<WideString> lost;
            for (const auto& [key, values] : original)
                if (!after.contains(key)) lost.push_back(key);
            const SalvagedTable* table = report.table(shopTable.name);
            ASSERT_TRUE(table) << text;
            const bool isDamaged = (c.damage != Damage::none && shopTable.name == std::u16string_view(c.object)) || c.damage == Damage::schemaPageWithCopy;
            // An index holding every column of items brings its lost rows back whole.
            const bool isRestored = shopTable.name == std::u16string_view(u"items");
            EXPECT_EQ(isDamaged && !isRestored ? destroyed : 0, static_cast<std::int64_t>(lost.size())) << text;
            EXPECT_EQ(!isDamaged, table->verified) << text;
            // Every schema page and index lies within the cut file: each table is counted.
            if (c.damage == Damage::cutInTable) {
                EXPECT_TRUE(table->sourceRows) << text;
            }
            if (table->sourceRows) {
                EXPECT_EQ(static_cast<std::int64_t>(original.size()), *table->sourceRows) << text;
                EXPECT_EQ(std::optional<std::int64_t>(static_cast<std::int64_t>(lost.size())), table->lostRows()) << text;
            }
            // The index on orders knows every lost order.
            StringArray named;
            for (const KnownRow& row : table->lostRowsKnown) named.push_back(fromUtf8(row.key));
            std::sort(named.begin(), named.end());
            EXPECT_EQ(shopTable.name == std::u16string_view(u"orders") ? StringArray(lost.begin(), lost.end()) : StringArray{}, named) << text;
            if (isDamaged && isRestored && c.damage == Damage::middleLeaf) {
                EXPECT_EQ(destroyed, table->restoredRows) << text;
                EXPECT_EQ(static_cast<std::size_t>(destroyed), table->restoredRowKeys.size()) << text;
            }
            if (c.object == std::u16string_view(u"logs") && shopTable.name == std::u16string_view(u"logs") && c.damage == Damage::middleLeaf) {
                // No index knows them: the pages' key range says where they were.
                ASSERT_EQ(1u, table->lostKeyRanges.size()) << text;
                ASSERT_FALSE(lost.empty());
                EXPECT_EQ(u"rowid " + lost.front() + u"–" + lost.back(), table->lostKeyRanges[0]);
            }
            const bool lostItsParents = c.damage == Damage::root || c.damage == Damage::interiorBelowRoot || c.damage == Damage::schemaPageWithCopy;
            if (isDamaged && lostItsParents) {
                EXPECT_GT(table->placedRows, 0) << text;
            }
        }
        EXPECT_EQ(0, report.lostAndFoundRows) << text;
    }
}

// SQLite stops reading a -wal at its first damaged frame and reads an older state without an
// error, every table whole: the commits past that frame are lost, and no count shows it.
TEST(SalvageCases, commitsPastADamagedLogFrameAreNeverTakenForNothingLost) {
    TempFolder live, folder;
    ASSERT_TRUE(writeShop(live / u"shop.db"));
    ASSERT_TRUE(setJournalMode(live / u"shop.db", u"WAL"));
    WideString commits;
    for (int transaction = 0; transaction < 10; ++transaction)
        commits += u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100) "
                   u"INSERT INTO logs (line) SELECT printf('late line %.60c', 'w') FROM n;";
    const WideString path = folder / u"shop.db";
    ASSERT_TRUE(copyWhileOpen(live / u"shop.db", commits, path));
    ASSERT_TRUE(garbleLogFrame(path + u"-wal", logFrameCount(path + u"-wal") / 2));
    const std::string sourceBytes = fileBytes(path), logBytes = fileBytes(path + u"-wal");

    const SalvageOutcome outcome = salvageJob.salvageDatabase(path);
    const std::string text = toUtf8(outcome.report.text());
    ASSERT_FALSE(outcome.report.salvaged.empty()) << toUtf8(outcome.result);
    EXPECT_EQ(WideString(kSalvageSomeLost), outcome.result) << text;
    EXPECT_NE(std::string::npos, text.find("预写日志(-wal)已损坏")) << text;
    EXPECT_NE(std::string::npos, outcome.report.json().find("\"log_commits_unreadable\": true")) << outcome.report.json();
    // The older state SQLite reads: the lines committed before the damaged frame, not those after it.
    const StringArray salvagedLines = readColumn(outcome.report.salvaged, u"SELECT count(*) FROM logs");
    ASSERT_EQ(1u, salvagedLines.size());
    EXPECT_LT(std::stoll(toUtf8(salvagedLines[0])), 3000);
    EXPECT_TRUE(sourceBytes == fileBytes(path)) << "the database file changed";
    EXPECT_TRUE(logBytes == fileBytes(path + u"-wal")) << "the -wal changed";
}

// A table of a case, with what reads one of its rows back as text, and whether an index of the
// source knows its rows.
struct CheckedTable {
    const char16_t* name;
    const char16_t* values;
    bool isIndexed;
};

struct PlacementCase {
    const char* what;
    bool (*write)(const WideString& path);
    bool (*damage)(const WideString& path);
    std::vector<CheckedTable> tables;
    StringArray undecided;   // the tables the rows left in lost_and_found could belong to
    std::int64_t leftInLostAndFound;   // -1: all of them undecided
};

TEST(SalvageCases, rowsGoOnlyWhereTheirValuesProveTheyBelong) {
    const PlacementCase cases[] = {
        {"two tables of one shape, both roots garbled", writeTwins, garbleTwinRoots,
         {{u"customers", u"quote(name) || ',' || quote(city)", false}, {u"suppliers", u"quote(name) || ',' || quote(city)", false}},
         {u"customers", u"suppliers"}, -1},
        {"a table's root garbled beside an indexed table of its shape that lost a leaf", writeOrdersAndArchive, garbleOrdersRootAndArchiveLeaf,
         {{u"orders", u"quote(customer) || ',' || quote(note)", false}, {u"archive", u"quote(customer) || ',' || quote(note)", true}},
         {}, 0},
        {"sqlite_sequence's root pointing at a feature table's page", writeFeatures, misplaceSequenceRoot,
         {{u"sqlite_sequence", u"quote(name) || ',' || quote(seq)", false}}, {}, 2},   // the two features' rows, kept
    };
    for (const PlacementCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"placed.db";
        ASSERT_TRUE(c.write(path));
        std::map<WideString, TableRows> before;
        for (const CheckedTable& table : c.tables) before[table.name] = rowsOf(path, {table.name, u"rowid", table.values});
        ASSERT_TRUE(c.damage(path));

        const SalvageOutcome outcome = salvageJob.salvageDatabase(path, u"");
        const SalvageReport& report = outcome.report;
        const std::string text = toUtf8(report.text());
        ASSERT_FALSE(report.salvaged.empty()) << toUtf8(outcome.result);
        for (const CheckedTable& checked : c.tables) {
            SCOPED_TRACE(toUtf8(checked.name));
            const TableRows after = rowsOf(report.salvaged, {checked.name, u"rowid", checked.values});
            const TableRows& original = before[checked.name];
            for (const auto& [key, values] : after) {
                const auto had = original.find(key);
                ASSERT_NE(original.end(), had) << toUtf8(key) << " was never a row\n" << text;
                EXPECT_EQ(had->second, values) << toUtf8(key) << "\n" << text;
            }
            if (!checked.isIndexed) continue;
            // Every row the table lost is named by its index.
            StringArray lost, named;
            for (const auto& [key, values] : original)
                if (!after.contains(key)) lost.push_back(key);
            const SalvagedTable* table = report.table(checked.name);
            ASSERT_TRUE(table) << text;
            for (const KnownRow& row : table->lostRowsKnown) named.push_back(fromUtf8(row.key));
            std::sort(lost.begin(), lost.end());
            std::sort(named.begin(), named.end());
            EXPECT_FALSE(lost.empty()) << text;
            EXPECT_EQ(lost, named) << text;
        }
        StringArray undecided;
        std::int64_t undecidedRows = 0;
        for (const UndecidedRows& rows : report.undecidedRows) {
            undecided.insert(undecided.end(), rows.tables.begin(), rows.tables.end());
            undecidedRows += rows.rows;
        }
        EXPECT_EQ(c.undecided, undecided) << text;
        EXPECT_EQ(c.leftInLostAndFound < 0 ? undecidedRows : c.leftInLostAndFound, report.lostAndFoundRows) << text;
        if (!c.undecided.empty()) {
            EXPECT_NE(std::string::npos, text.find(toUtf8(u"可能属于:customers、suppliers"))) << text;
            EXPECT_NE(std::string::npos, report.json().find("\"undecided_rows\": [{\"tables\": [\"customers\", \"suppliers\"]")) << report.json();
        }
    }
}

}  // namespace
