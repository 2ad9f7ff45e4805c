// The salvaged database put in its damaged source's place: what the source's path holds then, what
// the backup keeps, the header values that go with the rows, and the swaps that are refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "db/database.h"
#include "fixtures/damaged_database.h"
#include "platform/platform.h"
#include "salvage/salvage_job.h"
#include "salvage/salvaged_settings.h"
#include "salvage/salvaged_swap.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace {

std::string fileBytes(const WideString& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// How a database is set up besides its rows.
struct HeaderCase {
    const char* what;
    const char16_t* encoding;
    std::int64_t pageSize;
    std::int64_t autoVacuum;   // 0 none, 1 full, 2 incremental
    std::int64_t applicationId;
    const char16_t* journalMode;
};

const HeaderCase kHeaderCases[] = {
    {"SQLite's defaults in a rollback journal", u"UTF-8", 4096, 0, 0, u"DELETE"},
    {"WAL, 8 KB pages, UTF-16le, full auto-vacuum", u"UTF-16le", 8192, 1, 1146499649, u"WAL"},
    {"1 KB pages, UTF-16be, incremental auto-vacuum", u"UTF-16be", 1024, 2, -7, u"DELETE"},
};

// "notes" of 3000 rows with an index, a view over it, "tags" of 3 rows with a trigger, user_version
// 42, built with the case's header values.
bool writeNotes(const WideString& path, const HeaderCase& c) {
    {
        rg_MoKuai_class_sqliteShuJuKu database;
        BuildSettings settings;
        settings.encoding = c.encoding;
        settings.pageSize = c.pageSize;
        settings.autoVacuum = c.autoVacuum;
        (void)database.connectForBuilding(path, settings);
        const WriterLock lock(database);
        if (!database.execSql(u"CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT);"
                              u"CREATE INDEX notes_by_body ON notes (body);"
                              u"CREATE VIEW long_notes AS SELECT id FROM notes WHERE length(body) > 100;"
                              u"CREATE TABLE tags (id INTEGER PRIMARY KEY, name TEXT);"
                              u"CREATE TRIGGER tag_lowered AFTER INSERT ON tags BEGIN UPDATE tags SET name = lower(name) WHERE id = new.id; END;"
                              u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                              u"INSERT INTO notes (body) SELECT printf('note %05d %.120c', i, 'x') FROM n;"
                              u"INSERT INTO tags (name) VALUES ('red'), ('green'), ('blue');"
                              u"PRAGMA user_version = 42;"
                              u"PRAGMA application_id = " + decimalText(c.applicationId)))
            return false;
    }
    return true;
}

// The values a repair keeps besides the rows, read without writing: the journal mode from the
// header's read and write versions (2 and 2 for WAL), the rest through SQLite.
std::string headerValues(const WideString& path) {
    rg_MoKuai_class_sqliteShuJuKu database;
    (void)database.connectReadOnly(path);
    std::string values;
    for (const char16_t* pragma : {u"page_size", u"auto_vacuum", u"user_version", u"application_id"})
        values += toUtf8(pragma) + "=" + std::to_string(database.queryInteger(u"PRAGMA " + WideString(pragma)).value_or(-1)) + " ";
    WideString encoding;
    (void)database.queryField(u"PRAGMA encoding", encoding);
    const std::string bytes = fileBytes(path);
    return values + "encoding=" + toUtf8(encoding) + (bytes.size() > 19 && bytes[18] == 2 && bytes[19] == 2 ? " wal" : " rollback");
}

std::int64_t integerFrom(const WideString& path, const WideString& query) {
    rg_MoKuai_class_sqliteShuJuKu database;
    (void)database.connectReadOnly(path);
    return database.queryInteger(query).value_or(-1);
}

// The file named with prefix in the folder, or empty.
WideString stampedFile(const TempFolder& folder, const WideString& prefix) {
    for (const WideString& name : folder.fileNames())
        if (name.starts_with(prefix)) return name;
    return {};
}

TEST(SalvagedSwap, theSourcesPathHoldsTheSalvagedRowsWithItsHeaderValuesAndTheBackupTheOriginalBytes) {
    for (const HeaderCase& c : kHeaderCases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"notes.db";
        ASSERT_TRUE(writeNotes(path, c));
        const std::int64_t leafRows = cellsOnGarbledLeaf(path, u"notes");
        // The fixtures leave a file in WAL: the case's journal mode is set last.
        ASSERT_TRUE(garbleLeafPage(path, u"notes") && setJournalMode(path, c.journalMode));
        const std::string sourceHeader = headerValues(path);
        ASSERT_NE(std::string::npos, sourceHeader.find("page_size=" + std::to_string(c.pageSize))) << sourceHeader;
        const std::string sourceBytes = fileBytes(path);

        const SalvageOutcome outcome = salvageJob.salvageDatabase(path);
        ASSERT_EQ(WideString(kSalvageSomeLost), outcome.result) << toUtf8(outcome.report.text());
        EXPECT_EQ(sourceHeader, headerValues(outcome.report.salvaged)) << "the salvaged file is faithful before any swap";
        const SalvagedSwap swap = useSalvagedDatabase(outcome);
        ASSERT_TRUE(swap.isSwapped) << toUtf8(swap.text);

        const WideString backup = stampedFile(folder, u"原数据库备份-");
        ASSERT_FALSE(backup.empty());
        EXPECT_EQ(u"已用抢救数据库代替原数据库。原数据库保存为:" + folder.path() + backup, swap.text);
        EXPECT_EQ(sourceBytes, fileBytes(folder / backup));
        EXPECT_TRUE(stampedFile(folder, u"抢救数据库-").empty()) << "the salvaged file took the source's name";
        EXPECT_EQ(4u, folder.fileNames().size()) << "the database, its backup and the two reports, no companion";
        EXPECT_EQ(sourceHeader, headerValues(path));
        // The index on body holds every column of notes: the garbled leaf's rows come back from it.
        EXPECT_EQ(3000, integerFrom(path, u"SELECT COUNT(*) FROM notes"));
        ASSERT_FALSE(outcome.report.tables.empty());
        EXPECT_EQ(leafRows, outcome.report.tables.front().restoredRows);
        EXPECT_EQ(3, integerFrom(path, u"SELECT COUNT(*) FROM tags"));
        EXPECT_EQ(4, integerFrom(path, u"SELECT COUNT(*) FROM sqlite_master WHERE name IN ('notes_by_body', 'long_notes', 'tags', 'tag_lowered')"));
        EXPECT_EQ(1, integerFrom(path, u"SELECT COUNT(*) FROM pragma_quick_check WHERE quick_check = 'ok'"));
    }
}

// Arguments: the file to hold, the marker to write once it is open. Keeps it open until killed.
int holdOpen(const std::vector<std::string>& arguments) {
    std::ifstream held(std::filesystem::path(fromUtf8(arguments.at(0))), std::ios::binary);
    if (!held) return 2;
    std::ofstream(std::filesystem::path(fromUtf8(arguments.at(1)))) << "open";
    for (;;) platform::waitPumping(1000, 0);
}
CHILD_ROLE("hold-open", holdOpen);

// A swap that cannot be made changes nothing and says why and where the salvaged database waits.
TEST(SalvagedSwap, aSwapThatCannotBeMadeLeavesBothFilesAndSaysWhy) {
    struct Case {
        const char* what;
        bool isHeldOpen;   // otherwise written to
        const char16_t* reason;
    };
    const Case cases[] = {
        {"the source held open by another program", true, u"原数据库正被其他程序使用,未能代替,原数据库没有任何改动。请关闭使用它的程序后手动替换。"},
        {"the source written to after the salvage", false, u"原数据库在抢救后被修改过,为免丢失新写入的数据,未能代替,原数据库没有任何改动。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder, signals;
        const WideString path = folder / u"notes.db";
        ASSERT_TRUE(writeNotes(path, kHeaderCases[0]) && garbleLeafPage(path, u"notes"));
        const SalvageOutcome outcome = salvageJob.salvageDatabase(path);
        ASSERT_FALSE(outcome.report.salvaged.empty()) << toUtf8(outcome.result);
        std::unique_ptr<ChildProcess> holder;
        if (c.isHeldOpen) {
            holder = std::make_unique<ChildProcess>("hold-open", std::vector<std::string>{toUtf8(path), toUtf8(signals / u"open")});
            ASSERT_TRUE(waitForFile(signals / u"open", 20000));
        } else {
            ASSERT_TRUE(writeDatabase(path, {u"INSERT INTO tags (name) VALUES ('late')"}));
        }
        const StringArray names = folder.fileNames();
        const std::string sourceBytes = fileBytes(path), salvagedBytes = fileBytes(outcome.report.salvaged);

        const SalvagedSwap swap = useSalvagedDatabase(outcome);
        if (holder) holder->kill();
        EXPECT_FALSE(swap.isSwapped);
        EXPECT_EQ(c.reason + WideString(u"\n抢救数据库保存在:") + outcome.report.salvaged, swap.text);
        EXPECT_EQ(names, folder.fileNames());
        EXPECT_EQ(sourceBytes, fileBytes(path));
        EXPECT_EQ(salvagedBytes, fileBytes(outcome.report.salvaged));
    }
}

TEST(SalvagedSwap, aFailedSalvageHasNothingToSwap) {
    TempFolder folder;
    const WideString path = folder / u"list.db";
    ASSERT_TRUE(writeNotADatabase(path));
    const std::string bytes = fileBytes(path);
    const SalvagedSwap swap = useSalvagedDatabase(salvageJob.salvageDatabase(path));
    EXPECT_FALSE(swap.isSwapped);
    EXPECT_EQ(u"没有可用于代替原数据库的抢救数据库。", swap.text);
    EXPECT_EQ(bytes, fileBytes(path));
    EXPECT_TRUE(stampedFile(folder, u"原数据库备份-").empty());
}

// Whatever the recovery leaves at SQLite's default gets the source's value on the salvaged file,
// through a VACUUM where only one changes it; the source is only read.
TEST(SalvagedSettings, theSalvagedFileTakesEveryValueItLacks) {
    for (const HeaderCase& c : kHeaderCases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString source = folder / u"source.db", salvaged = folder / u"salvaged.db";
        ASSERT_TRUE(writeNotes(source, c) && setJournalMode(source, c.journalMode));
        ASSERT_TRUE(writeNotes(salvaged, HeaderCase{"plain", u"", 4096, 0, 0, u"DELETE"}));
        ASSERT_TRUE(writeDatabase(salvaged, {u"PRAGMA user_version = 0"}) && setJournalMode(salvaged, u"DELETE"));
        const std::string sourceBytes = fileBytes(source);
        const std::string wanted = headerValues(source);

        EXPECT_TRUE(keepSourceSettings(source, salvaged));
        // The encoding is the recovery's alone: no database changes it after its creation.
        std::string kept = headerValues(salvaged);
        EXPECT_EQ(wanted.substr(0, wanted.find(" encoding=")), kept.substr(0, kept.find(" encoding=")));
        EXPECT_EQ(wanted.ends_with(" wal"), kept.ends_with(" wal"));
        EXPECT_EQ(3000, integerFrom(salvaged, u"SELECT COUNT(*) FROM notes"));
        EXPECT_EQ(1, integerFrom(salvaged, u"SELECT COUNT(*) FROM pragma_quick_check WHERE quick_check = 'ok'"));
        EXPECT_EQ(sourceBytes, fileBytes(source));
    }
}

// A source that gives no value (no database at all) leaves the salvaged file as it is.
TEST(SalvagedSettings, aSourceThatGivesNoValueChangesNothing) {
    TempFolder folder;
    const WideString source = folder / u"list.db", salvaged = folder / u"salvaged.db";
    ASSERT_TRUE(writeNotADatabase(source));
    ASSERT_TRUE(writeNotes(salvaged, kHeaderCases[1]) && setJournalMode(salvaged, u"DELETE"));
    const std::string before = headerValues(salvaged);
    EXPECT_TRUE(keepSourceSettings(source, salvaged));
    EXPECT_EQ(before, headerValues(salvaged));
}

}  // namespace
