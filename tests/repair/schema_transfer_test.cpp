// The rebuilt database's schema: tables first, then indexes, then views and triggers created after
// the rows, with the header values and AUTOINCREMENT counters applications rely on.
#include <gtest/gtest.h>

#include "fixtures/damaged_database.h"
#include "platform/platform.h"
#include "repair/result_texts.h"
#include "repair_run.h"
#include "support/temp_folder.h"

namespace {

// Tables before and after an index in schema order; a trigger that logs inserts, with three log
// rows of the source's own; an AUTOINCREMENT table whose counter is ahead of its largest id;
// SQLite's own sqlite_stat1 and sqlite_sequence; header values.
const StringArray kSchemaSource = {
    u"CREATE TABLE people (id INTEGER PRIMARY KEY, name TEXT)",
    u"CREATE TABLE log (entry TEXT)",
    u"CREATE TABLE counters (id INTEGER PRIMARY KEY AUTOINCREMENT, label TEXT UNIQUE)",
    u"CREATE INDEX people_by_name ON people (name)",
    u"CREATE VIEW named AS SELECT name FROM people WHERE name IS NOT NULL",
    u"CREATE TRIGGER people_logged AFTER INSERT ON people BEGIN INSERT INTO log VALUES ('added ' || new.name); END",
    u"INSERT INTO people (name) VALUES ('ann'), ('bob'), (NULL)",
    u"INSERT INTO counters (label) VALUES ('c1'), ('c2'), ('c3'), ('c4'), ('c5')",
    u"DELETE FROM counters WHERE id > 3",
    u"ANALYZE",
    u"CREATE TABLE later (x)",
    u"PRAGMA user_version = 42",
    u"PRAGMA application_id = 1146499649",
};

TEST(SchemaTransfer, tablesComeFirstThenIndexesThenViewsAndTriggersAfterTheRows) {
    TempFolder folder;
    const WideString path = folder / u"app.db";
    ASSERT_TRUE(writeDatabase(path, kSchemaSource));
    ASSERT_EQ("integer:1", exactValue(path, u"SELECT COUNT(*) FROM sqlite_master WHERE name = 'sqlite_stat1'"));
    const std::vector<std::string> sourceLog = exactRows(path, u"SELECT entry FROM log ORDER BY rowid");
    ASSERT_EQ(3u, sourceLog.size());
    const std::vector<std::string> statistics = exactRows(path, u"SELECT * FROM sqlite_stat1 ORDER BY tbl, idx");

    ASSERT_EQ(WideString(kResultRepaired), repair(path));

    // The objects defined by the source, in the rebuilt schema's order (automatic ones have no sql).
    EXPECT_EQ((std::vector<std::string>{"text:table | text:people", "text:table | text:log", "text:table | text:counters",
                                        "text:table | text:later", "text:index | text:people_by_name", "text:view | text:named",
                                        "text:trigger | text:people_logged"}),
              exactRows(path, u"SELECT type, name FROM sqlite_master WHERE sql IS NOT NULL AND name NOT LIKE 'sqlite^_%' ESCAPE '^' "
                              u"ORDER BY rowid"));
    EXPECT_EQ(statistics, exactRows(path, u"SELECT * FROM sqlite_stat1 ORDER BY tbl, idx"));
    EXPECT_EQ(sourceLog, exactRows(path, u"SELECT entry FROM log ORDER BY rowid")) << "the trigger fired during the copy";
    EXPECT_EQ((std::vector<std::string>{"text:ann", "text:bob"}), exactRows(path, u"SELECT name FROM named ORDER BY name"));
    EXPECT_EQ("integer:42", exactValue(path, u"PRAGMA user_version"));
    EXPECT_EQ("integer:1146499649", exactValue(path, u"PRAGMA application_id"));
    EXPECT_EQ("integer:5", exactValue(path, u"SELECT seq FROM sqlite_sequence WHERE name = 'counters'"));

    ASSERT_TRUE(writeDatabase(path, {u"INSERT INTO people (name) VALUES ('cy')", u"INSERT INTO counters (label) VALUES ('c6')"}));
    EXPECT_EQ("text:added cy", exactValue(path, u"SELECT entry FROM log ORDER BY rowid DESC"));
    EXPECT_EQ("integer:6", exactValue(path, u"SELECT id FROM counters WHERE label = 'c6'")) << "AUTOINCREMENT reused an id";
    EXPECT_TRUE(passesIntegrityCheck(path));
}

// A schema text holds one statement; SQLite reads only the first of a text that holds more, and so
// does the rebuild: what comes after it never runs.
TEST(SchemaTransfer, aSchemaTextRunsOnlyItsFirstStatement) {
    TempFolder folder;
    const WideString path = folder / u"crafted.db";
    const WideString planted = folder / u"planted.db";
    ASSERT_TRUE(writeDatabase(path, {u"CREATE TABLE notes (body TEXT)", u"INSERT INTO notes VALUES ('kept'), ('too')",
                                     u"PRAGMA writable_schema = ON",
                                     u"UPDATE sqlite_master SET sql = 'CREATE TABLE notes (body TEXT); ATTACH ''" + planted +
                                         u"'' AS planted; CREATE TABLE planted.t (x)' WHERE name = 'notes'",
                                     u"PRAGMA writable_schema = OFF"}));
    ASSERT_EQ("integer:2", exactValue(path, u"SELECT COUNT(*) FROM notes"));

    ASSERT_EQ(WideString(kResultRepaired), repair(path));
    EXPECT_FALSE(platform::pathExists(planted)) << "a statement after the schema text's first ran";
    EXPECT_EQ("integer:2", exactValue(path, u"SELECT COUNT(*) FROM notes"));
}

// A file cut short is read with SQLite's writable_schema flag set, which would let a schema text
// create what SQLite keeps for itself; the rebuilt file's schema gets what it gets from a whole file.
TEST(SchemaTransfer, aFileCutShortGetsNoSchemaAWholeFileWouldNot) {
    for (const bool isCut : {false, true}) {
        SCOPED_TRACE(isCut ? "cut short" : "whole");
        TempFolder folder;
        const WideString path = folder / u"app.db";
        ASSERT_TRUE(writeDatabase(path, {u"CREATE TABLE notes (body TEXT)", u"INSERT INTO notes VALUES ('kept')", u"CREATE TABLE scratch (body TEXT)",
                                         numbersUpTo(500) + u"INSERT INTO scratch SELECT printf('%.300c', 'x') FROM n",
                                         u"PRAGMA writable_schema = ON",
                                         u"INSERT INTO sqlite_master VALUES ('view', 'sqlite_notes', 'sqlite_notes', 0, "
                                         u"'CREATE VIEW sqlite_notes AS SELECT body FROM notes')",
                                         u"PRAGMA writable_schema = OFF"}));
        ASSERT_TRUE(writeDatabase(path, {u"DROP TABLE scratch"}));   // the end of the file is free pages
        if (isCut) {
            ASSERT_TRUE(cutAfterLastUsedPage(path));
        }

        ProgressLog log;
        EXPECT_EQ(WideString(kResultDataAnomaly), repair(path));
        EXPECT_TRUE(log.saidLine(u"修复失败,无法重建:sqlite_notes")) << describe(log.events);
    }
}

}  // namespace
