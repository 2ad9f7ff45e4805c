// Virtual tables come back working, from their shadow tables' contents; one whose module is
// missing fails the run instead of vanishing from a "successful" repair.
#include <gtest/gtest.h>

#include "fixtures/damaged_database.h"
#include "repair/result_texts.h"
#include "repair_run.h"
#include "support/temp_folder.h"

namespace {

TEST(VirtualTables, fullTextAndRTreeTablesAnswerTheirQueriesAfterRepair) {
    TempFolder folder;
    const WideString path = folder / u"search.db";
    ASSERT_TRUE(writeDatabase(path, {
        u"CREATE VIRTUAL TABLE notes5 USING fts5(title, body)",
        u"CREATE VIRTUAL TABLE notes4 USING fts4(title, body)",
        u"CREATE VIRTUAL TABLE places USING rtree(id, minX, maxX, minY, maxY)",
        numbersUpTo(2500) + u"INSERT INTO notes5 (rowid, title, body) SELECT i * 2, 'note ' || i, "
                        u"CASE WHEN i % 10 = 0 THEN 'apple pie' ELSE 'plain words ' || i END FROM n",
        numbersUpTo(1500) + u"INSERT INTO notes4 (docid, title, body) SELECT i, 'note ' || i, CASE WHEN i % 5 = 0 THEN 'banana' ELSE 'other' END FROM n",
        numbersUpTo(1500) + u"INSERT INTO places SELECT i, i, i + 0.5, -i, -i + 2 FROM n",
        u"DELETE FROM notes5 WHERE rowid % 3 = 0",
    }));
    const WideString queries[] = {
        u"SELECT rowid, title FROM notes5 WHERE notes5 MATCH 'apple' ORDER BY rowid",
        u"SELECT rowid FROM notes5 WHERE notes5 MATCH 'plain' ORDER BY rowid",
        u"SELECT docid, title FROM notes4 WHERE notes4 MATCH 'banana' ORDER BY docid",
        u"SELECT id FROM places WHERE minX >= 100 AND maxX <= 120.5 AND minY >= -120 ORDER BY id",
    };
    std::vector<std::vector<std::string>> answers;
    for (const WideString& query : queries) {
        answers.push_back(exactRows(path, query));
        ASSERT_FALSE(answers.back().empty()) << toUtf8(query);
    }

    ASSERT_EQ(WideString(kResultRepaired), repair(path));
    for (std::size_t i = 0; i < std::size(queries); ++i) EXPECT_EQ(answers[i], exactRows(path, queries[i])) << toUtf8(queries[i]);
    EXPECT_TRUE(passesIntegrityCheck(path));
    // The full-text indexes agree with their own contents.
    EXPECT_TRUE(writeDatabase(path, {u"INSERT INTO notes5 (notes5) VALUES ('integrity-check')",
                                     u"INSERT INTO notes4 (notes4) VALUES ('integrity-check')"}));
    EXPECT_EQ("text:ok", exactValue(path, u"SELECT rtreecheck('places')"));
}

TEST(VirtualTables, aVirtualTableWhoseModuleIsMissingFailsTheRun) {
    TempFolder folder;
    const WideString path = folder / u"ghost.db";
    ASSERT_TRUE(writeDatabase(path, {
        u"CREATE TABLE kept (x)",
        u"INSERT INTO kept VALUES (1), (2)",
        u"PRAGMA writable_schema = ON",
        u"INSERT INTO sqlite_master (type, name, tbl_name, rootpage, sql) "
        u"VALUES ('table', 'ghost', 'ghost', 0, 'CREATE VIRTUAL TABLE ghost USING nosuchmodule(a, b)')",
        u"PRAGMA writable_schema = OFF",
    }));
    const std::string sourceBytes = fileBytes(path);

    ProgressLog log;
    EXPECT_EQ(WideString(kResultDataAnomaly), repair(path));
    const std::vector<ProgressEvent> events = log.about(u"ghost");
    ASSERT_EQ(1u, events.size()) << describe(log.events);
    EXPECT_EQ(1, events[0].kind);
    EXPECT_TRUE(events[0].text.starts_with(u"修复失败,")) << toUtf8(events[0].text);
    EXPECT_EQ((std::vector<std::string>{"ghost.db"}), filesWithoutStamps(folder.path()));
    EXPECT_EQ(sourceBytes, fileBytes(path));
}

// A full-text index is built anew from its contents: a garbled index block or page does not live
// on, and the index's own tables are not even read. An index without contents to rebuild from
// (contentless) is copied as it is: whole when the source's check finds it sound, never when damaged.
TEST(VirtualTables, aFullTextIndexIsRebuiltFromItsContentsOrCopiedWhenItHasNone) {
    enum class Damage { none, block, page };
    struct Case { const char* what; const char16_t* table; Damage damage; const char16_t* result; };
    const Case cases[] = {
        {"a garbled block, with its contents", u"fts5(body)", Damage::block, kResultRepaired},
        {"a garbled page of its index, with its contents", u"fts5(body)", Damage::page, kResultRepaired},
        {"a garbled block, contentless", u"fts5(body, content='')", Damage::block, kResultDataAnomaly},
        {"a sound contentless FTS5 index", u"fts5(body, content='')", Damage::none, kResultRepaired},
        {"a sound contentless FTS4 index", u"fts4(body, content=\"\")", Damage::none, kResultRepaired},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"search.db";
        const bool isFts5 = WideString(c.table).starts_with(u"fts5");
        ASSERT_TRUE(writeDatabase(path, {
            u"CREATE VIRTUAL TABLE notes USING " + WideString(c.table),
            numbersUpTo(3000) + u"INSERT INTO notes (" + (isFts5 ? u"rowid" : u"docid") +
                u", body) SELECT i, CASE WHEN i % 10 = 0 THEN 'apple pie ' ELSE 'plain words ' END || i FROM n",
        }));
        // The index reaches its table only at the commit; then its newest leaf gets other bytes of the same length.
        if (c.damage == Damage::block) {
            ASSERT_TRUE(writeDatabase(path, {u"UPDATE notes_data SET block = randomblob(length(block)) WHERE id = (SELECT max(id) FROM notes_data)"}));
        }
        if (c.damage == Damage::page) {
            ASSERT_TRUE(garbleLeafPage(path, u"notes_data"));
        }
        // SQLite's check cannot validate a contentless FTS4 index, sound or not.
        const bool isCheckable = isFts5;
        if (isCheckable) {
            ASSERT_EQ(c.damage == Damage::none, passesIntegrityCheck(path));
        }
        const std::string sourceBytes = fileBytes(path);

        ProgressLog log;
        EXPECT_EQ(WideString(c.result), repair(path)) << describe(log.events);
        if (c.result == std::u16string_view(kResultDataAnomaly)) {
            const std::vector<ProgressEvent> events = log.about(u"notes");
            ASSERT_FALSE(events.empty());
            EXPECT_EQ(u"修复失败,全文索引损坏且没有可重建的内容:notes", events.back().text);
            EXPECT_EQ(sourceBytes, fileBytes(path));
            continue;
        }
        EXPECT_EQ(isCheckable, passesIntegrityCheck(path));
        EXPECT_EQ("integer:300", exactValue(path, u"SELECT COUNT(*) FROM notes WHERE notes MATCH 'apple'"));
        EXPECT_EQ("integer:2700", exactValue(path, u"SELECT COUNT(*) FROM notes WHERE notes MATCH 'plain'"));
    }
}

}  // namespace
