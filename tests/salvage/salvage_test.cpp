// The salvage of damaged databases: what comes back, what the report says was lost, and a source
// that stays as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "db/database.h"
#include "db/integrity_check.h"
#include "db/recovery.h"
#include "fixtures/damaged_database.h"
#include "fixtures/unfinished_work.h"
#include "salvage/salvage_job.h"
#include "support/temp_folder.h"

namespace {

std::string fileBytes(const WideString& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

const SalvagedTable* tableNamed(const SalvageReport& report, const WideString& name) {
    for (const SalvagedTable& table : report.tables)
        if (table.name == name) return &table;
    return nullptr;
}

// "notes" of 3000 rows of about 150 bytes (many pages, an interior root), one 20 KB value in row 7,
// and "tags" of 3 rows.
bool writeNotes(const WideString& path) {
    return writeDatabase(path, {
        u"CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT, attachment BLOB)",
        u"CREATE INDEX notes_by_body ON notes (body)",
        u"CREATE TABLE tags (id INTEGER PRIMARY KEY, name TEXT)",
        u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
        u"INSERT INTO notes (body) SELECT printf('note %05d %.120c', i, 'x') FROM n",
        u"UPDATE notes SET attachment = randomblob(20000) WHERE id = 7",
        u"INSERT INTO tags (name) VALUES ('red'), ('green'), ('blue')",
        u"PRAGMA user_version = 42",
    });
}

struct SalvageCase {
    const char* what;
    bool (*damage)(const WideString& path);
    const char16_t* result;
};

bool noDamage(const WideString&) { return true; }
bool garbleNotesLeaf(const WideString& path) { return garbleLeafPage(path, u"notes"); }
bool garbleNotesRoot(const WideString& path) { return garbleRootPage(path, u"notes"); }
bool breakNotesOverflow(const WideString& path) { return breakOverflowChain(path, u"notes"); }

TEST(Salvage, whatComesBackAndWhatTheReportSays) {
    const SalvageCase cases[] = {
        {"sound database", noDamage, kSalvageNothingLost},
        {"garbled leaf page", garbleNotesLeaf, kSalvageSomeLost},
        {"garbled root page", garbleNotesRoot, kSalvageSomeLost},
        {"broken overflow chain", breakNotesOverflow, kSalvageSomeLost},
        {"damaged first page", garbleFirstPage, kSalvageSomeLost},
    };
    for (const SalvageCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"notes.db";
        ASSERT_TRUE(writeNotes(path));
        const std::int64_t leafRows = cellsOnGarbledLeaf(path, u"notes");
        ASSERT_TRUE(c.damage(path));
        const std::string sourceBytes = fileBytes(path);

        const SalvageOutcome outcome = salvageJob.salvageDatabase(path);
        EXPECT_EQ(WideString(c.result), outcome.result) << toUtf8(outcome.report.text());
        EXPECT_EQ(sourceBytes, fileBytes(path)) << "the source changed";
        ASSERT_FALSE(outcome.report.salvaged.empty());
        StringArray findings;
        EXPECT_TRUE(checkIntegrity(outcome.report.salvaged, findings) && findings == StringArray{u"ok"});
        ASSERT_FALSE(outcome.reportPath.empty());
        EXPECT_EQ(toUtf8(outcome.report.text()), fileBytes(outcome.reportPath));
        const std::string json = fileBytes(outcome.reportPath.substr(0, outcome.reportPath.size() - 4) + u".json");
        EXPECT_EQ(outcome.report.json(), json);

        if (c.damage == garbleFirstPage) {
            // Without the schema, no row finds its table: every one waits in lost_and_found.
            EXPECT_GE(outcome.report.lostAndFoundRows, 3003) << toUtf8(outcome.report.text());
            continue;
        }
        const SalvagedTable* notes = tableNamed(outcome.report, u"notes");
        const SalvagedTable* tags = tableNamed(outcome.report, u"tags");
        ASSERT_TRUE(notes && tags) << toUtf8(outcome.report.text());
        EXPECT_EQ(3, tags->salvagedRows);
        if (c.damage == noDamage) {
            EXPECT_EQ(std::optional<std::int64_t>(3000), notes->sourceRows);
            EXPECT_EQ(3000, notes->salvagedRows);
            EXPECT_NE(std::string::npos, json.find("\"lost_rows\": 0"));
        } else if (c.damage == garbleNotesLeaf) {
            // The leaf's header still counts its rows: the loss is known to the row.
            EXPECT_EQ(std::optional<std::int64_t>(3000), notes->sourceRows);
            EXPECT_EQ(3000 - leafRows, notes->salvagedRows);
            EXPECT_EQ(std::optional<std::int64_t>(leafRows), notes->lostRows());
        } else if (c.damage == garbleNotesRoot) {
            // The leaves are found without their root: their rows wait in lost_and_found.
            EXPECT_GT(outcome.report.lostAndFoundRows, 2900) << toUtf8(outcome.report.text());
        } else if (c.damage == breakNotesOverflow) {
            // Every row comes back, one of them with bytes of another page: the damage is said.
            EXPECT_FALSE(outcome.report.isSourceSound);
            EXPECT_EQ(3000, notes->salvagedRows);
        }
        if (outcome.result == std::u16string_view(kSalvageNothingLost)) {
            EXPECT_FALSE(outcome.report.hasUncountedLoss());
            EXPECT_EQ(0, outcome.report.knownLostRows());
        }
    }
}

// A source a program left in the middle of its work is salvaged as SQLite sees it (the journal
// rolled back, the -wal's rows taken in), and its files keep their bytes, with no -shm beside them.
TEST(Salvage, aSourceLeftMidWorkIsSalvagedAsSQLiteSeesItAndKeepsItsFiles) {
    struct Case { const char* what; const char16_t* companion; std::int64_t notes; };
    const Case cases[] = {{"a hot journal", u"-journal", 3000}, {"rows in the -wal", u"-wal", 3001}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"notes.db";
        ASSERT_TRUE(writeNotes(path));
        if (c.companion == std::u16string_view(u"-journal"))
            ASSERT_TRUE(setJournalMode(path, u"DELETE") && leaveHotJournal(path, u"DELETE FROM notes WHERE id > 10; DELETE FROM tags"));
        else
            ASSERT_TRUE(leaveRowsInWal(path, u"INSERT INTO notes (body) VALUES ('late')"));
        const std::string sourceBytes = fileBytes(path), companionBytes = fileBytes(path + c.companion);

        const SalvageOutcome outcome = salvageJob.salvageDatabase(path);
        EXPECT_EQ(WideString(kSalvageNothingLost), outcome.result) << toUtf8(outcome.report.text());
        const SalvagedTable* notes = tableNamed(outcome.report, u"notes");
        const SalvagedTable* tags = tableNamed(outcome.report, u"tags");
        ASSERT_TRUE(notes && tags) << toUtf8(outcome.report.text());
        EXPECT_EQ(c.notes, notes->salvagedRows);
        EXPECT_EQ(3, tags->salvagedRows);
        EXPECT_EQ(sourceBytes, fileBytes(path));
        EXPECT_EQ(companionBytes, fileBytes(path + c.companion));
        StringArray names = folder.fileNames();
        std::erase_if(names, [](const WideString& name) { return name.starts_with(u"抢救"); });
        EXPECT_EQ((StringArray{u"notes.db", u"notes.db" + WideString(c.companion)}), names) << "only the salvage's files are new";
    }
}

TEST(Salvage, aFileThatIsNoDatabaseFailsWithAReportAndNothingElse) {
    TempFolder folder;
    const WideString path = folder / u"list.db";
    ASSERT_TRUE(writeNotADatabase(path));
    const SalvageOutcome outcome = salvageJob.salvageDatabase(path);
    EXPECT_TRUE(outcome.result.starts_with(kSalvageFailedPrefix)) << toUtf8(outcome.result);
    StringArray names = folder.fileNames();
    std::erase_if(names, [](const WideString& name) { return name.starts_with(u"抢救报告-"); });
    EXPECT_EQ(StringArray{u"list.db"}, names) << "only the report is written";
}

TEST(Salvage, aFolderIsRefusedAndNothingIsCreated) {
    TempFolder folder;
    const WideString path = folder / u"list.db";
    std::filesystem::create_directory(std::filesystem::path(path));
    const SalvageOutcome outcome = salvageJob.salvageDatabase(path);
    EXPECT_EQ(kSalvageFailedPrefix + WideString(u"不是数据库文件"), outcome.result);
    EXPECT_EQ(StringArray{u"list.db"}, folder.fileNames());
    EXPECT_TRUE(std::filesystem::is_empty(std::filesystem::path(path)));
}

// A library without the recovery entry points still binds for everything else; recovery then
// says it is unavailable.
TEST(Salvage, aLibraryWithoutRecoveryEntryPointsStillRepairs) {
    platform::Library library = platform::Library::load(WideString(u"static-sqlite3-third") + platform::kLibrarySuffix);
    ASSERT_TRUE(library.isLoaded());
    const auto withoutRecovery = [&library](const char* name) -> void* {
        return std::string_view(name).starts_with("sqlite3_recover_") ? nullptr : library.symbol(name);
    };
    rg_ZiDingYi_sqliteHanShu api;
    EXPECT_TRUE(api.bind(withoutRecovery));
    RecoveryEntryPoints recovery;
    EXPECT_FALSE(recovery.bind(withoutRecovery));
    EXPECT_EQ(nullptr, recovery.init);
    EXPECT_TRUE(recovery.bind([&library](const char* name) { return library.symbol(name); })) << "the bundled library has them";
}

}  // namespace
