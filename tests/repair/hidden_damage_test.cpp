// Damage that reading rows through SQL does not show: a table that reads back fewer rows without an
// error, a value whose overflow chain is broken. SQLite's structural check of the source sees it,
// and the repair fails rather than promise rows it cannot vouch for.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>

#include "fixtures/damaged_database.h"
#include "fixtures/tree_edits.h"
#include "fixtures/unfinished_work.h"
#include "platform/platform.h"
#include "repair/process_objects.h"
#include "repair/result_texts.h"
#include "../../src/repair/repair_run.h"
#include "repair_run.h"
#include "support/temp_folder.h"

namespace {

StringArray notesTable(const WideString& name) {
    return {u"CREATE TABLE " + name + u" (id INTEGER PRIMARY KEY, body TEXT, attachment BLOB)",
            numbersUpTo(2500) + u"INSERT INTO " + name + u" (body) SELECT printf('note %05d %.100c', i, 'x') FROM n",
            u"UPDATE " + name + u" SET attachment = randomblob(20000) WHERE id = 7"};
}

TEST(HiddenDamage, aTableWhoseBTreeIsDamagedFailsTheRunUnlessItIsExempt) {
    struct Case {
        const char* what;
        const char16_t* table;
        bool (*damage)(const WideString& path, const WideString& table);
        const char16_t* result;
        const char16_t* line;   // the kind-1 event that names the damage
    };
    const Case cases[] = {
        {"root swapped with a leaf", u"notes", swapRootWithLeaf, kResultDataAnomaly, u"修复失败,表有脱离存储结构的数据页,可能缺少行:notes"},
        {"overflow chain broken", u"notes", breakOverflowChain, kResultDataAnomaly, u"修复失败,表的存储结构损坏,行数据不可信:notes"},
        {"overflow chain broken in an exempt table", u"report", breakOverflowChain, kResultRepaired, u"免检表report存储结构损坏,可能缺少行"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"notes.db";
        ASSERT_TRUE(writeDatabase(path, notesTable(c.table)));
        ASSERT_TRUE(c.damage(path, c.table));
        const std::string sourceBytes = fileBytes(path);

        ProgressLog log;
        EXPECT_EQ(WideString(c.result), repair(path));
        EXPECT_TRUE(log.saidLine(c.line)) << describe(log.events);
        if (c.result == std::u16string_view(kResultDataAnomaly)) {
            EXPECT_EQ((std::vector<std::string>{"notes.db"}), filesWithoutStamps(folder.path()));
            EXPECT_EQ(sourceBytes, fileBytes(path));
        }
    }
}

// A page whose read fails part way keeps the rows before the damage: an exempt table loses no more
// than the damage itself took.
TEST(HiddenDamage, aPageWhoseReadFailsPartWayKeepsTheRowsBeforeTheDamage) {
    TempFolder folder;
    const WideString path = folder / u"notes.db";
    ASSERT_TRUE(writeDatabase(path, {u"CREATE TABLE report (id INTEGER PRIMARY KEY, body TEXT)",
                                     numbersUpTo(3000) + u"INSERT INTO report (body) SELECT printf('note %05d %.100c', i, 'x') FROM n"}));
    // The last leaf: the third page's rows before it can be read, the ones on it cannot.
    ASSERT_TRUE(garbleLeafPage(path, u"report"));
    const WideString everyRow = u"SELECT * FROM report NOT INDEXED ORDER BY id";
    const std::vector<std::string> readable = exactRows(path, everyRow);   // up to the damage
    ASSERT_GT(readable.size(), 2000u);
    ASSERT_LT(readable.size(), 3000u);

    ProgressLog log;
    EXPECT_EQ(WideString(kResultRepaired), repair(path));
    EXPECT_EQ(readable, exactRows(path, everyRow));
    const WideString loss = u"免检表report: 原数据库数量:3000新表数量:" + decimalText(static_cast<std::int64_t>(readable.size()));
    EXPECT_TRUE(log.saidLine(loss)) << describe(log.events);
}

// Damage the rebuild cures, or that lies in a table the run does not vouch for, is no reason to
// refuse the repair: every row of the checked tables comes through and the run says what it found.
TEST(HiddenDamage, damageTheRebuildCuresOrThatLiesInAnExemptTableIsRepaired) {
    struct Case {
        const char* what;
        const char16_t* setup;                      // run on the written file, outside a transaction
        bool (*damage)(const WideString& path);
        const char16_t* line;                       // a kind-1 line the run says
    };
    const Case cases[] = {
        {"a broken free-space list", u"", garbleFreeList, u"数据库的空闲页列表已损坏,已在新数据库中重建"},
        {"a damaged pointer map", u"PRAGMA auto_vacuum = FULL; VACUUM", garblePointerMap, u"数据库的空闲页列表已损坏,已在新数据库中重建"},
        // The index's pages came from the free-space list: the pages past its last leaf are free ones.
        {"a file cut short inside an index", u"CREATE INDEX notes_by_body ON notes (body)",
         [](const WideString& path) { return cutBeforeLastLeaf(path, u"notes_by_body"); }, u"数据库的空闲页列表已损坏,已在新数据库中重建"},
        {"an exempt table's leaf garbled from its first byte", u"", [](const WideString& path) { return garbleWholeLeafPage(path, u"report"); },
         u"免检表report: 原数据库数量:"},
        {"an exempt table's leaf garbled after its header", u"", [](const WideString& path) { return garbleLeafPage(path, u"report"); },
         u"免检表report: 原数据库数量:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"notes.db";
        StringArray statements = notesTable(u"notes");
        const StringArray report = notesTable(u"report");
        statements.insert(statements.end(), report.begin(), report.end());
        statements.insert(statements.end(), {u"CREATE TABLE scratch (body TEXT)",
                                             numbersUpTo(2000) + u"INSERT INTO scratch SELECT printf('%.300c', 'x') FROM n"});
        ASSERT_TRUE(writeDatabase(path, statements));
        ASSERT_TRUE(writeDatabase(path, {u"DROP TABLE scratch"}));   // its pages make the free-space list
        if (*c.setup) {
            ASSERT_TRUE(PlainConnection(path).exec(c.setup));
        }
        const WideString everyNote = u"SELECT * FROM notes ORDER BY id";
        const std::vector<std::string> notes = exactRows(path, everyNote);
        ASSERT_EQ(2500u, notes.size());
        ASSERT_TRUE(c.damage(path));
        ASSERT_FALSE(passesIntegrityCheck(path));

        ProgressLog log;
        EXPECT_EQ(WideString(kResultRepaired), repair(path)) << describe(log.events);
        bool said = false;
        for (const ProgressEvent& event : log.events) said = said || (event.kind == 1 && event.text.starts_with(c.line));
        EXPECT_TRUE(said) << describe(log.events);
        EXPECT_EQ(notes, exactRows(path, everyNote));
        EXPECT_TRUE(passesIntegrityCheck(path));
    }
}

// Two tables of the same shape whose roots were swapped in the schema read back each other's rows
// without an error; only their indexes, built from the real rows, still tell.
TEST(HiddenDamage, aTableWhoseIndexesWereBuiltFromOtherRowsFails) {
    TempFolder folder;
    const WideString path = folder / u"notes.db";
    ASSERT_TRUE(writeDatabase(path, {u"CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT)", u"CREATE INDEX notes_body ON notes (body)",
                                     u"CREATE TABLE drafts (id INTEGER PRIMARY KEY, body TEXT)", u"CREATE INDEX drafts_body ON drafts (body)",
                                     numbersUpTo(1500) + u"INSERT INTO notes (body) SELECT 'note ' || i FROM n",
                                     numbersUpTo(1200) + u"INSERT INTO drafts (body) SELECT 'draft ' || i FROM n"}));
    ASSERT_TRUE(swapSchemaRoots(path, u"notes", u"drafts"));
    ASSERT_EQ("integer:1200", exactValue(path, u"SELECT COUNT(*) FROM notes NOT INDEXED"));
    const std::string sourceBytes = fileBytes(path);

    ProgressLog log;
    EXPECT_EQ(WideString(kResultDataAnomaly), repair(path));
    EXPECT_TRUE(log.saidLine(u"修复失败,表notes与索引notes_body不符,行可能缺失或已被改变")) << describe(log.events);
    EXPECT_EQ(sourceBytes, fileBytes(path));
    EXPECT_EQ((std::vector<std::string>{"notes.db"}), filesWithoutStamps(folder.path()));
}

// A journal that is rolled back may itself have been damaged, and then puts old pages over new ones:
// after a rollback, damage that would otherwise be an index's for the rebuild to cure is not
// trusted to be only that.
TEST(HiddenDamage, afterAJournalIsRolledBackAnyDamageFailsTheRun) {
    TempFolder folder;
    const WideString path = folder / u"notes.db";
    ASSERT_TRUE(writeDatabase(path, {u"CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT, tag TEXT)",
                                     u"CREATE INDEX notes_tag ON notes (tag)",
                                     numbersUpTo(3000) + u"INSERT INTO notes (body, tag) SELECT printf('note %05d %.100c', i, 'x'), 'tag ' || i FROM n"}));
    ASSERT_TRUE(garbleLeafPage(path, u"notes_tag"));   // a page the transaction below does not touch
    ASSERT_TRUE(setJournalMode(path, u"DELETE"));
    ASSERT_TRUE(leaveHotJournal(path, u"UPDATE notes SET body = printf('%.300c', 'z')"));   // more pages than the cache holds
    const std::string sourceBytes = fileBytes(path);

    ProgressLog log;
    bool rolledBack = false;
    log.onEvent = [&](const ProgressEvent&) { rolledBack = activeRun().rolledBackJournal; };
    EXPECT_EQ(WideString(kResultDataAnomaly), repair(path));
    EXPECT_TRUE(rolledBack);
    const std::vector<std::string> lines = log.jobEvents();
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "1 修复失败,回滚未完成的事务后数据库结构仍有损坏,行数据不可信")) << describe(log.events);
    EXPECT_TRUE(sourceBytes == fileBytes(path)) << "the source was written";
    EXPECT_TRUE(platform::pathExists(path + u"-journal"));
}

}  // namespace

namespace {

// The rows of notes-like tables: the same rowids in every table of a case, bodies of one length.
StringArray textTable(const WideString& name, const WideString& prefix, std::int32_t rows, const WideString& more = u"") {
    return {u"CREATE TABLE " + name + u" (id INTEGER PRIMARY KEY, body TEXT" + more + u")",
            numbersUpTo(rows) + u"INSERT INTO " + name + u" (body) SELECT printf('" + prefix + u" %05d %.60c', i, 'x') FROM n"};
}

StringArray joined(std::initializer_list<StringArray> parts) {
    StringArray all;
    for (const StringArray& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A table and the pages of a dropped one in the free-space list.
StringArray withFreePages(StringArray statements) {
    statements.insert(statements.end(), {u"CREATE TABLE scratch (body TEXT)", numbersUpTo(2000) + u"INSERT INTO scratch SELECT printf('%.300c', 'x') FROM n",
                                         u"DROP TABLE scratch"});
    return statements;
}

// The orders of a shop with the status of each in an index.
const StringArray kOrders = {u"CREATE TABLE orders (id INTEGER PRIMARY KEY, customer INTEGER, status TEXT, note TEXT)",
                             u"CREATE INDEX orders_status ON orders (status)",
                             numbersUpTo(3000) + u"INSERT INTO orders (customer, status, note) SELECT i % 70, 'open', printf('%.60c', 'n') FROM n"};

// Two tables of one shape, a tenth of whose rows are unpaid, with an index each that counts only
// those rows, or holds only the two values of paid: most of what the index holds is the same in both.
StringArray pairedOrders(const WideString& index) {
    StringArray statements;
    for (const auto& [name, unpaid] : {std::pair<WideString, WideString>{u"orders_a", u"i % 10 = 0"}, {u"orders_b", u"i % 10 = 0 OR i % 97 = 0"}}) {
        statements.push_back(u"CREATE TABLE " + name + u" (id INTEGER PRIMARY KEY, paid INTEGER, amount INTEGER)");
        statements.push_back(u"CREATE INDEX " + name + u"_index ON " + name + index);
        statements.push_back(numbersUpTo(3000) + u"INSERT INTO " + name + u" (paid, amount) SELECT NOT (" + unpaid + u"), i FROM n");
    }
    return statements;
}

}  // namespace

// Damage that leaves every page well-formed: the rows a table reads back are not the rows it holds.
// Its sound indexes, the shape of its records, its AUTOINCREMENT counter and the pages no b-tree
// reaches say so, and the table fails with a salvage offered, the source untouched.
TEST(HiddenDamage, theFilesOwnEvidenceFailsATableThatLostOrChangedRows) {
    using Damage = std::function<bool(const WideString& path)>;
    struct Case {
        const char* what;
        StringArray statements;
        const char16_t* setup;   // run outside a transaction after the statements
        Damage damage;
        const char16_t* line;
    };
    const WideString looseNotes = u"修复失败,表有脱离存储结构的数据页,可能缺少行:notes";
    const Case cases[] = {
        {"a write the disk lost", kOrders, u"",
         [](const WideString& path) { return loseWriteToLeaf(path, u"orders", {u"UPDATE orders SET status = 'paid' WHERE id % 2 = 0"}) > 0; },
         u"修复失败,表orders与索引orders_status不符,行可能缺失或已被改变"},
        {"two tables' leaves exchanged, keys in step",
         joined({textTable(u"notes", u"note", 3000), textTable(u"drafts", u"drft", 3000), {u"CREATE INDEX notes_body ON notes (body)"}}), u"",
         [](const WideString& path) { return exchangeRootChildren(path, u"notes", u"drafts"); },
         u"修复失败,表notes与索引notes_body不符,行可能缺失或已被改变"},
        {"roots swapped under a partial index", pairedOrders(u" (amount) WHERE paid = 0"), u"",
         [](const WideString& path) { return swapSchemaRoots(path, u"orders_a", u"orders_b"); },
         u"修复失败,表orders_a与索引orders_a_index不符,行可能缺失或已被改变"},
        {"roots swapped under an index of two values", pairedOrders(u" (paid)"), u"",
         [](const WideString& path) { return swapSchemaRoots(path, u"orders_a", u"orders_b"); },
         u"修复失败,表orders_a与索引orders_a_index不符,行可能缺失或已被改变"},
        {"roots of a 3- and a 4-column table swapped, no index",
         {u"CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT, city TEXT)",
          u"CREATE TABLE suppliers (id INTEGER PRIMARY KEY, name TEXT, city TEXT, phone TEXT)",
          numbersUpTo(200) + u"INSERT INTO customers (name, city) SELECT 'customer ' || i, 'city ' || (i % 9) FROM n",
          numbersUpTo(200) + u"INSERT INTO suppliers (name, city, phone) SELECT 'supplier ' || i, 'city ' || (i % 7), '555-' || i FROM n"},
         u"", [](const WideString& path) { return swapSchemaRoots(path, u"customers", u"suppliers"); },
         u"修复失败,表中有不属于该表的数据,表的存储结构可能被调换:customers"},
        {"roots of two AUTOINCREMENT tables swapped, no index",
         {u"CREATE TABLE invoices (id INTEGER PRIMARY KEY AUTOINCREMENT, body TEXT)",
          u"CREATE TABLE receipts (id INTEGER PRIMARY KEY AUTOINCREMENT, body TEXT)",
          numbersUpTo(100) + u"INSERT INTO invoices (body) SELECT 'invoice ' || i FROM n",
          numbersUpTo(300) + u"INSERT INTO receipts (body) SELECT 'receipt ' || i FROM n"},
         u"", [](const WideString& path) { return swapSchemaRoots(path, u"invoices", u"receipts"); },
         u"修复失败,表中有不属于该表的数据,表的存储结构可能被调换:invoices"},
        {"a leaf cut off its root, the free-page count one higher", textTable(u"notes", u"note", 3000), u"",
         [](const WideString& path) { return dropRootChild(path, u"notes") > 0 && addToFreePageCount(path, 1); }, looseNotes.c_str()},
        {"a leaf cut off its root, a free-list trunk's count garbled", withFreePages(textTable(u"notes", u"note", 3000)), u"",
         [](const WideString& path) { return dropRootChild(path, u"notes") > 0 && garbleFreeList(path); }, looseNotes.c_str()},
        {"a leaf cut off its root, a pointer-map entry changed", textTable(u"notes", u"note", 3000), u"PRAGMA auto_vacuum = FULL; VACUUM",
         [](const WideString& path) { return dropRootChild(path, u"notes") > 0 && changePointerMapEntry(path, u"notes"); }, looseNotes.c_str()},
        {"a leaf cut off its root, the free-page count one higher, an index",
         joined({textTable(u"notes", u"note", 3000), {u"CREATE INDEX notes_body ON notes (body)"}}), u"",
         [](const WideString& path) { return dropRootChild(path, u"notes") > 0 && addToFreePageCount(path, 1); },
         u"修复失败,表notes与索引notes_body不符,行可能缺失或已被改变"},
        {"a root cell pointed at a freed page of deleted rows",
         {u"CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT)", u"CREATE TABLE old_notes (id INTEGER PRIMARY KEY, body TEXT)",
          numbersUpTo(3000) + u"INSERT INTO notes (body) SELECT printf('note %05d %.40c', i, 'x') FROM n",
          numbersUpTo(3000) + u"INSERT INTO old_notes (body) SELECT printf('old %05d %.120c', i, 'o') FROM n"},
         u"",
         [](const WideString& path) {
             const std::vector<LeafKeys> freed = leafKeyRanges(path, u"old_notes");
             return writeDatabase(path, {u"DROP TABLE old_notes"}) && redirectRootChild(path, u"notes", freed);
         },
         looseNotes.c_str()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"shop.db";
        ASSERT_TRUE(writeDatabase(path, c.statements));
        if (*c.setup) {
            ASSERT_TRUE(PlainConnection(path).exec(c.setup));
        }
        ASSERT_TRUE(c.damage(path));
        const std::string sourceBytes = fileBytes(path);

        ProgressLog log;
        const RepairOutcome outcome = repairJob.runRepair(path, kDefaultExemptTables);
        EXPECT_EQ(WideString(kResultDataAnomaly), outcome.result) << describe(log.events);
        EXPECT_TRUE(log.saidLine(c.line)) << describe(log.events);
        EXPECT_TRUE(outcome.offersSalvage);
        EXPECT_TRUE(sourceBytes == fileBytes(path)) << "the source was written";
        EXPECT_EQ((std::vector<std::string>{"shop.db"}), filesWithoutStamps(folder.path()));
    }
}

// A free-space list that names a table's root page: SQLite's check meets the root in the list first
// and leaves the table's b-tree unchecked. The page is the table's; the table is checked on its own
// and repaired with every row.
TEST(HiddenDamage, aFreeListThatNamesATablesRootIsRepairedWithEveryRow) {
    TempFolder folder;
    const WideString path = folder / u"notes.db";
    ASSERT_TRUE(writeDatabase(path, withFreePages(joined({textTable(u"notes", u"note", 3000), {u"CREATE INDEX notes_body ON notes (body)"}}))));
    const WideString everyNote = u"SELECT * FROM notes ORDER BY id";
    const std::vector<std::string> notes = exactRows(path, everyNote);
    ASSERT_TRUE(listRootAsFree(path, u"notes"));
    ASSERT_FALSE(passesIntegrityCheck(path));

    ProgressLog log;
    EXPECT_EQ(WideString(kResultRepaired), repair(path)) << describe(log.events);
    EXPECT_TRUE(log.saidLine(u"数据库的空闲页列表已损坏,已在新数据库中重建")) << describe(log.events);
    EXPECT_EQ(notes, exactRows(path, everyNote));
    EXPECT_TRUE(passesIntegrityCheck(path));
}
