// The salvage of damaged databases: what comes back, what the report says was lost, and a source
// that stays as it was.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include "base/text_routines.h"
#include "db/database.h"
#include "db/integrity_check.h"
#include "db/recovery.h"
#include "fixtures/damaged_database.h"
#include "fixtures/salvage_cases.h"
#include "fixtures/unfinished_work.h"
#include "jobs/job_progress.h"
#include "platform/platform.h"
#include "salvage/salvage_job.h"
#include "salvage/salvaged_swap.h"
#include "support/child_process.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"

namespace {

// A text as the salvage writes its report for Notepad: a byte-order mark, lines ending in CR LF.
std::string asNotepadText(const WideString& text) {
    std::string bytes = "\xEF\xBB\xBF";
    for (const char byte : toUtf8(text)) bytes += byte == '\n' ? std::string("\r\n") : std::string(1, byte);
    return bytes;
}

TEST(Salvage, whatComesBackAndWhatTheReportSays) {
    for (const SalvageCase& c : salvageCases()) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"notes.db";
        ASSERT_TRUE(writeNotes(path));
        const std::int64_t leafRows = cellsOnGarbledLeaf(path, u"notes");
        ASSERT_TRUE(c.damage(path));
        const std::string sourceBytes = fileBytes(path);

        const SalvageOutcome outcome = salvageJob.salvageDatabase(path);
        EXPECT_EQ(WideString(c.isNothingLost ? kSalvageNothingLost : kSalvageSomeLost), outcome.result) << toUtf8(outcome.report.text());
        EXPECT_EQ(sourceBytes, fileBytes(path)) << "the source changed";
        ASSERT_FALSE(outcome.report.salvaged.empty());
        StringArray findings;
        EXPECT_TRUE(checkIntegrity(outcome.report.salvaged, findings) && findings == StringArray{u"ok"});
        ASSERT_FALSE(outcome.reportPath.empty());
        EXPECT_EQ(asNotepadText(outcome.report.text()), fileBytes(outcome.reportPath));
        const std::string json = fileBytes(outcome.reportPath.substr(0, outcome.reportPath.size() - 4) + u".json");
        EXPECT_EQ(outcome.report.json(), json);
        // One stamp names the salvaged database and both reports, and the file it was built in is gone.
        const WideString salvagedName = platform::fileNameOf(outcome.report.salvaged);
        const WideString stamp = salvagedName.substr(6, salvagedName.size() - 9);
        EXPECT_EQ((StringArray{u"notes.db", u"抢救报告-" + stamp + u".json", u"抢救报告-" + stamp + u".txt", salvagedName}), folder.fileNames());
        EXPECT_EQ(platform::folderOf(platform::resolvedPath(path)) + u"抢救报告-" + stamp + u".txt", outcome.reportPath);
        // The box says what the report says.
        const WideString verdict = outcome.report.isNothingLost() ? u"抢救完成:未发现数据丢失。" : u"抢救完成:部分数据丢失或无法确认。";
        EXPECT_TRUE(outcome.report.summary(outcome.reportPath).starts_with(verdict)) << toUtf8(outcome.report.summary(outcome.reportPath));

        if (c.damage == garbleFirstPage) {
            // Without the schema, no row finds its table: every one waits in lost_and_found.
            EXPECT_GE(outcome.report.lostAndFoundRows, 3003) << toUtf8(outcome.report.text());
            continue;
        }
        const SalvagedTable* notes = outcome.report.table(u"notes");
        const SalvagedTable* tags = outcome.report.table(u"tags");
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
            // The leaves are found without their root and go back to their table, which the index still counts whole.
            EXPECT_EQ(0, outcome.report.lostAndFoundRows) << toUtf8(outcome.report.text());
            EXPECT_EQ(3000, notes->salvagedRows);
            EXPECT_GT(notes->placedRows, 2900);
            EXPECT_EQ(u"notes_by_body", notes->sourceRowsFrom);
            EXPECT_FALSE(notes->verified);
        } else if (c.damage == breakNotesOverflow) {
            // Every row comes back, one of them with bytes of another page: the damage is said.
            // Every row comes back, the one with the large value not whole: it is named, not counted.
            EXPECT_FALSE(outcome.report.isSourceSound);
            EXPECT_EQ(2999, notes->salvagedRows);
            ASSERT_EQ(1u, notes->damagedRows.size());
            EXPECT_EQ("7", notes->damagedRows[0].key);
        }
        if (outcome.result == std::u16string_view(kSalvageNothingLost)) {
            EXPECT_FALSE(outcome.report.hasUncountedLoss());
            EXPECT_EQ(0, outcome.report.knownLostRows());
        }
    }
}

// A source with tables of its own named lost_and_found keeps them as they were: the rows without
// a table go to a table of another name.
TEST(Salvage, theSourcesOwnLostAndFoundTablesStayItsOwn) {
    TempFolder folder;
    const WideString path = folder / u"notes.db";
    ASSERT_TRUE(writeNotes(path));
    ASSERT_TRUE(writeDatabase(path, {u"CREATE TABLE lost_and_found (what TEXT)", u"CREATE TABLE lost_and_found_index_entries (what TEXT)",
                                     u"INSERT INTO lost_and_found_index_entries VALUES ('kept')",
                                     // The orphaned leaves of notes fit this table's shape too, but it is whole: they are not its rows.
                                     u"CREATE TABLE twin (id INTEGER PRIMARY KEY, body TEXT, attachment BLOB)"}));
    ASSERT_TRUE(garbleNotesRoot(path));
    const SalvageOutcome outcome = salvageJob.salvageDatabase(path);
    const std::string text = toUtf8(outcome.report.text());
    EXPECT_EQ(u"lost_and_found_1", outcome.report.lostAndFound);
    for (const char16_t* own : {u"lost_and_found", u"lost_and_found_index_entries"}) {
        const SalvagedTable* table = outcome.report.table(own);
        ASSERT_TRUE(table) << text;
        EXPECT_EQ(std::optional<std::int64_t>(own == std::u16string_view(u"lost_and_found") ? 0 : 1), table->sourceRows);
    }
    EXPECT_EQ(StringArray{u"kept"}, readColumn(outcome.report.salvaged, u"SELECT what FROM lost_and_found_index_entries"));
    EXPECT_EQ(0, outcome.report.lostAndFoundRows) << text;
    EXPECT_EQ(3000, outcome.report.table(u"notes")->salvagedRows) << text;
    EXPECT_EQ(0, outcome.report.table(u"twin")->salvagedRows) << text;
}

// Tables whose roots were exchanged read back each other's rows and check clean: the wider rows in
// the narrower table and the rowids above its AUTOINCREMENT counter show the b-trees are not theirs,
// and the report never says nothing was lost.
TEST(Salvage, aTableReadingAnotherTablesBTreeIsNotVerified) {
    struct Case {
        const char* what;
        StringArray statements;
        const char16_t* first;
        const char16_t* second;
        const char16_t* foreign;   // the table whose b-tree cannot be its own
    };
    const Case cases[] = {
        {"a 3- and a 4-column table",
         {u"CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT, city TEXT)",
          u"CREATE TABLE suppliers (id INTEGER PRIMARY KEY, name TEXT, city TEXT, phone TEXT)",
          u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) INSERT INTO customers (name, city) SELECT 'customer ' || i, 'city' FROM n",
          u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) INSERT INTO suppliers (name, city, phone) SELECT 'supplier ' || i, 'city', '555-' || i FROM n"},
         u"customers", u"suppliers", u"customers"},
        {"two AUTOINCREMENT tables",
         {u"CREATE TABLE invoices (id INTEGER PRIMARY KEY AUTOINCREMENT, body TEXT)", u"CREATE TABLE receipts (id INTEGER PRIMARY KEY AUTOINCREMENT, body TEXT)",
          u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100) INSERT INTO invoices (body) SELECT 'invoice ' || i FROM n",
          u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) INSERT INTO receipts (body) SELECT 'receipt ' || i FROM n"},
         u"invoices", u"receipts", u"invoices"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"shop.db";
        ASSERT_TRUE(writeDatabase(path, c.statements));
        ASSERT_TRUE(swapSchemaRoots(path, c.first, c.second));
        const SalvageOutcome outcome = salvageJob.salvageDatabase(path);
        const std::string text = toUtf8(outcome.report.text());
        const SalvagedTable* foreign = outcome.report.table(c.foreign);
        ASSERT_TRUE(foreign) << text;
        EXPECT_FALSE(foreign->verified) << text;
        EXPECT_FALSE(outcome.report.isNothingLost()) << text;
    }
}

// A copy given for a lost schema that holds no schema is named as unused, and the rows wait
// without a table as they would without a copy.
TEST(Salvage, aCopyWithoutASchemaIsNamedAsUnused) {
    TempFolder folder;
    const WideString path = folder / u"notes.db", copy = folder / u"list.db";
    ASSERT_TRUE(writeNotes(path) && garbleFirstPage(path) && writeNotADatabase(copy));
    const SalvageOutcome outcome = salvageJob.salvageDatabase(path, copy);
    EXPECT_EQ(copy, outcome.report.unreadSchemaCopy);
    EXPECT_TRUE(outcome.report.schemaCopy.empty());
    EXPECT_GE(outcome.report.lostAndFoundRows, 3003);
    EXPECT_NE(std::string::npos, toUtf8(outcome.report.summary({})).find(toUtf8(u"所选的副本中读不到表结构,未能使用:" + copy)));
}

// A source a program left in the middle of its work is salvaged as SQLite sees it (the journal
// rolled back, the -wal's rows taken in), and its files keep their bytes, with no -shm beside them;
// once the salvaged file is swapped in, the backup alone holds the source as SQLite saw it.
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
        const SalvagedTable* notes = outcome.report.table(u"notes");
        const SalvagedTable* tags = outcome.report.table(u"tags");
        ASSERT_TRUE(notes && tags) << toUtf8(outcome.report.text());
        EXPECT_EQ(c.notes, notes->salvagedRows);
        EXPECT_EQ(3, tags->salvagedRows);
        EXPECT_EQ(sourceBytes, fileBytes(path));
        EXPECT_EQ(companionBytes, fileBytes(path + c.companion));
        StringArray names = folder.fileNames();
        std::erase_if(names, [](const WideString& name) { return name.starts_with(u"抢救"); });
        EXPECT_EQ((StringArray{u"notes.db", u"notes.db" + WideString(c.companion)}), names) << "only the salvage's files are new";

        const SalvagedSwap swap = useSalvagedDatabase(outcome);
        ASSERT_TRUE(swap.isSwapped) << toUtf8(swap.text);
        names = folder.fileNames();
        std::erase_if(names, [](const WideString& name) { return name.starts_with(u"抢救"); });
        ASSERT_EQ(2u, names.size());
        EXPECT_TRUE(names[1].starts_with(u"原数据库备份-") && names[1].ends_with(u".db")) << "a companion beside the backup: " << toUtf8(names[1]);
        TempFolder elsewhere;
        std::filesystem::copy_file(std::filesystem::path(folder / names[1]), std::filesystem::path(elsewhere / u"restored.db"));
        EXPECT_EQ((StringArray{decimalText(c.notes), u"3"}), readColumn(elsewhere / u"restored.db", u"SELECT count(*) FROM notes UNION ALL SELECT count(*) FROM tags"));
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


// The box and the report share their verdict, totals and facts: nothing lost only of what is known whole.
TEST(SalvageReport, theSummarySaysInWordsWhatTheCountsCannot) {
    struct Case {
        const char* what;
        SalvageReport report;
        std::vector<std::u16string> lines;   // the summary's lines before its last two (the file and the report)
    };
    const auto counted = [](const char16_t* name, std::optional<std::int64_t> source, std::int64_t salvaged) {
        SalvagedTable table;
        table.name = name;
        table.sourceRows = source;
        table.salvagedRows = salvaged;
        return table;
    };
    Case cases[] = {
        {"a sound source", {}, {u"抢救完成:未发现数据丢失。", u"原有 7 行,抢救 7 行,丢失 0 行。"}},
        {"a damaged source", {}, {u"抢救完成:部分数据丢失或无法确认。", u"原有 7 行,抢救 7 行,丢失 0 行。", u"原数据库的结构已损坏:抢救的行中可能有值已改变,请核对重要数据。"}},
        {"rows only in lost_and_found", {}, {u"抢救完成:部分数据丢失或无法确认。", u"原有行数未知,抢救 0 行。",
                                            u"原数据库的表结构无法读取,无法统计原有的行数,丢失的行数可能更多。",
                                            u"有 9874 行无法确定属于哪个表,已保存在抢救数据库的 lost_and_found 表中,请人工核对。",
                                            u"原数据库的结构已损坏:抢救的行中可能有值已改变,请核对重要数据。"}},
        {"an unknown count", {}, {u"抢救完成:部分数据丢失或无法确认。", u"原有行数未知,抢救 10 行,至少丢失 2 行。",
                                  u"有 1 个表的原有行数无法统计,丢失的行数可能更多。"}},
    };
    for (Case& c : cases) {
        c.report.salvaged = u"D:\\data\\抢救数据库-20261210120000.db";
        c.report.isSchemaRead = true;
        c.report.isSourceSound = true;
        c.report.tables = {counted(u"orders", 5, 5), counted(u"tags", 2, 2)};
    }
    cases[1].report.isSourceSound = false;
    cases[2].report.isSourceSound = false;
    cases[2].report.isSchemaRead = false;
    cases[2].report.tables.clear();
    cases[2].report.lostAndFoundRows = 9874;
    cases[3].report.tables = {counted(u"orders", std::nullopt, 5), counted(u"tags", 7, 5)};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StringArray lines;
        (void)splitText(c.report.summary(u"D:\\data\\抢救报告-20261210120000.txt"), u"\n", lines);
        ASSERT_EQ(c.lines.size() + 2, lines.size()) << toUtf8(c.report.summary({}));
        for (std::size_t i = 0; i < c.lines.size(); ++i) EXPECT_EQ(c.lines[i], lines[i]);
        EXPECT_EQ(u"抢救出的数据保存在新文件 D:\\data\\抢救数据库-20261210120000.db 中,原数据库没有任何改动。"
                  u"请先打开抢救数据库核对数据,确认无误后再用它代替原数据库(代替前请保留原数据库的副本)。",
                  lines[c.lines.size()]);
        EXPECT_EQ(u"详细报告:D:\\data\\抢救报告-20261210120000.txt", lines.back());
        EXPECT_EQ(c.report.isNothingLost(), c.report.json().find("\"nothing_lost\": true") != std::string::npos);
    }
}

// A clock that moves 100 ms each time the salvaging thread reads it; the source's check, which
// runs beside the recovery, reads it without moving it.
std::atomic<std::uint32_t> fakeNow = 0;
std::thread::id salvagingThread;
std::uint32_t hundredMillisecondsAPeek() { return std::this_thread::get_id() == salvagingThread ? fakeNow += 100 : fakeNow.load(); }

// The salvage says which table it is recovering and how many of its rows came back so far, at
// most once per 200 ms, under its own label.
TEST(Salvage, progressNamesTheTableAndItsRowsAtMostEvery200Milliseconds) {
    TempFolder folder;
    const WideString path = folder / u"notes.db";
    ASSERT_TRUE(writeNotes(path));
    std::vector<std::int32_t> notesDone;
    std::vector<WideString> lines;
    EventTarget receiver;
    salvageJob.salvageProgress.subscribe(receiver, 0,
                                         [&](SalvageJob&, std::int32_t, std::int32_t kind, const WideString& name, std::int32_t total,
                                             std::int32_t done, const WideString& text) {
                                             lines.push_back(progressLine(SalvageJob::progressLabel, kind, name, total, done, text));
                                             if (name == u"notes") {
                                                 EXPECT_EQ(3000, total);
                                                 EXPECT_EQ(u"抢救中", text);
                                                 notesDone.push_back(done);
                                             }
                                             return 0;
                                         });
    salvagingThread = std::this_thread::get_id();
    platform::setTickSource(hundredMillisecondsAPeek);
    const SalvageOutcome outcome = salvageJob.salvageDatabase(path);
    platform::setTickSource(nullptr);
    receiver.close();
    EXPECT_EQ(WideString(kSalvageNothingLost), outcome.result);
    // A row is written between two reads of the clock: every second row is shown.
    ASSERT_GE(notesDone.size(), 1000u);
    for (std::size_t i = 1; i < notesDone.size(); ++i) EXPECT_GE(notesDone[i] - notesDone[i - 1], 2) << i;
    EXPECT_LE(notesDone.back(), 3000);
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), u"抢救进度: 表名称:notes    3000/" + decimalText(notesDone.back()) + u"    抢救中"));
    for (const WideString& line : lines) EXPECT_TRUE(line.starts_with(u"抢救进度:")) << toUtf8(line);
}

// Without its database library the salvage says so and leaves the folder as it was.
int salvageWithoutLibrary(const std::vector<std::string>& arguments) {
    platform::setLibraryFolder(fromUtf8(arguments.at(1)));
    const SalvageOutcome outcome = salvageJob.salvageDatabase(fromUtf8(arguments.at(0)));
    const WideString expected = kSalvageFailedPrefix + WideString(u"无法加载数据库组件 data") + platform::kPathSeparator +
                                u"static-sqlite3-third" + platform::kLibrarySuffix;
    return outcome.result == expected && outcome.reportPath.empty() ? 0 : 1;
}
CHILD_ROLE("salvage-without-library", salvageWithoutLibrary);

TEST(Salvage, withoutItsLibraryNothingIsCreated) {
    TempFolder folder, noLibrary;
    const WideString path = folder / u"notes.db";
    ASSERT_TRUE(writeNotes(path) && garbleNotesLeaf(path));
    ChildProcess child("salvage-without-library", {toUtf8(path), toUtf8(noLibrary.path())});
    EXPECT_EQ(0, child.wait());
    EXPECT_EQ(StringArray{u"notes.db"}, folder.fileNames());
}

}  // namespace
