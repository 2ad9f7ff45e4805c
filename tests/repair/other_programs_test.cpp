// The source as other programs leave it and use it: a lock held for a moment, rows written while the
// repair runs, rows still in a -wal, a transaction cut off in the middle, and a second repair
// started at the same time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "fixtures/damaged_database.h"
#include "platform/platform.h"
#include "../../src/repair/repair_run.h"   // the run's own header; "repair_run.h" is the tests'
#include "repair/process_objects.h"
#include "repair/result_texts.h"
#include "repair_run.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace {

const WideString kEveryOrder = u"SELECT * FROM orders ORDER BY id";

// Arguments: database path, marker file, milliseconds. Takes an exclusive lock on the database
// (no one may read it), writes the marker, holds the lock that long, then lets go.
int holdExclusiveLock(const std::vector<std::string>& arguments) {
    if (arguments.size() != 3) return 2;
    PlainConnection connection(fromUtf8(arguments[0]));
    if (!connection.exec(u"BEGIN EXCLUSIVE")) return 3;
    writeFile(fromUtf8(arguments[1]), "locked");
    platform::waitPumping(static_cast<std::uint64_t>(std::stoi(arguments[2])), 0);
    return connection.exec(u"COMMIT") ? 0 : 4;
}
CHILD_ROLE("hold-exclusive-lock", holdExclusiveLock);

// Arguments: database path, marker file, release file. Opens the database as a program that only
// reads it does, reads a row, writes the marker, and keeps the database open until the release
// file appears (60 s at most).
int readAndHold(const std::vector<std::string>& arguments) {
    if (arguments.size() != 3) return 2;
    PlainConnection connection(fromUtf8(arguments[0]));
    if (!connection.exec(u"SELECT * FROM orders LIMIT 1")) return 3;
    writeFile(fromUtf8(arguments[1]), "reading");
    return waitForFile(fromUtf8(arguments[2]), 60000) ? 0 : 4;
}
CHILD_ROLE("read-and-hold", readAndHold);

// Arguments: database path, statements. Runs them, then ends the process without closing the
// database, as a program that crashes does: what was committed waits in the -wal, and what was
// not leaves a hot journal.
int writeAndCrash(const std::vector<std::string>& arguments) {
    if (arguments.size() != 2) return 2;
    auto* connection = new PlainConnection(fromUtf8(arguments[0]));   // never closed, on purpose
    if (!connection->exec(fromUtf8(arguments[1]))) return 3;
    std::_Exit(0);
}
CHILD_ROLE("write-and-crash", writeAndCrash);

// Arguments: database path, result file. Repairs the database and writes the result text.
int repairInChild(const std::vector<std::string>& arguments) {
    if (arguments.size() != 2) return 2;
    writeFile(fromUtf8(arguments[1]), toUtf8(repair(fromUtf8(arguments[0]))));
    return 0;
}
CHILD_ROLE("repair", repairInChild);

TEST(OtherPrograms, aLockHeldForAMomentIsWaitedFor) {
    TempFolder folder, signals;
    const WideString path = folder / u"shop.db";
    ASSERT_TRUE(writeShopDatabase(path, 1500));
    ASSERT_TRUE(setJournalMode(path, u"DELETE"));   // in WAL a lock would not keep readers out
    const std::vector<std::string> orders = exactRows(path, kEveryOrder);

    ChildProcess holder("hold-exclusive-lock", {toUtf8(path), toUtf8(signals / u"locked"), "1000"});
    ASSERT_TRUE(waitForFile(signals / u"locked", 20000)) << "the other process never took the lock";
    EXPECT_EQ(WideString(kResultRepaired), repair(path));
    EXPECT_EQ(0, holder.wait());
    EXPECT_EQ(orders, exactRows(path, kEveryOrder));
}

TEST(OtherPrograms, rowsWrittenDuringTheRepairKeepTheSourceInPlace) {
    struct Case { const char16_t* journal; const char16_t* write; const char16_t* check; const char* afterwards; };
    const Case cases[] = {
        {u"WAL", u"INSERT INTO orders (customer, item) VALUES (1, 'written meanwhile')", u"SELECT COUNT(*) FROM orders", "integer:2501"},
        {u"DELETE", u"INSERT INTO orders (customer, item) VALUES (1, 'written meanwhile')", u"SELECT COUNT(*) FROM orders", "integer:2501"},
        // One row changed in place: the file keeps its size and its first page, and the closing
        // connection checkpoints the -wal into the file and deletes it.
        {u"WAL", u"UPDATE orders SET amount = -1 WHERE id = 1200", u"SELECT amount FROM orders WHERE id = 1200", "real:bff0000000000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(toUtf8(c.journal) + " " + toUtf8(c.write));
        TempFolder folder;
        const WideString path = folder / u"shop.db";
        ASSERT_TRUE(writeShopDatabase(path, 2500));
        ASSERT_TRUE(setJournalMode(path, c.journal));

        ProgressLog log;
        log.onEvent = [&](const ProgressEvent& event) {
            // Between the tables: the customers are read, the orders not yet.
            if (event.name != u"customers" || event.text != u"修复完毕") return;
            EXPECT_TRUE(PlainConnection(path).exec(c.write));
        };
        EXPECT_EQ(WideString(kResultDataAnomaly), repair(path));
        EXPECT_EQ((std::vector<std::string>{"2 创建临时数据库", "1 修复失败,数据库在修复期间被修改", "1 修复失败数据库还原完毕"}), log.jobEvents())
            << describe(log.events);
        EXPECT_EQ(c.afterwards, exactValue(path, c.check));
        const std::vector<std::string> files = filesWithoutStamps(folder.path());
        EXPECT_TRUE(std::none_of(files.begin(), files.end(), [](const std::string& name) { return name.find("临时数据库") != std::string::npos; }));
    }
}

// A program that only reads the source in WAL mode puts an empty -wal and a -shm beside it while
// it has it open, and removes them when it closes it: neither is a change to the source.
TEST(OtherPrograms, aProgramThatOnlyReadsTheSourceChangesNothing) {
    const auto sourceChanged = [](const ProgressLog& log) {
        const std::vector<std::string> lines = log.jobEvents();
        return std::find(lines.begin(), lines.end(), "1 修复失败,数据库在修复期间被修改") != lines.end();
    };
    {
        SCOPED_TRACE("closed again");
        TempFolder folder;
        const WideString path = folder / u"shop.db";
        ASSERT_TRUE(writeShopDatabase(path, 2500));
        ASSERT_TRUE(setJournalMode(path, u"WAL"));
        const std::vector<std::string> orders = exactRows(path, kEveryOrder);

        ProgressLog log;
        log.onEvent = [&](const ProgressEvent& event) {
            if (event.name != u"customers" || event.text != u"修复完毕") return;
            EXPECT_TRUE(PlainConnection(path).exec(u"SELECT * FROM orders LIMIT 1"));
        };
        EXPECT_EQ(WideString(kResultRepaired), repair(path)) << describe(log.events);
        EXPECT_FALSE(sourceChanged(log));
        EXPECT_EQ(orders, exactRows(path, kEveryOrder));
    }
    {
        // Another process, so that it holds the files open on both platforms: the swap waits for
        // it and then leaves the rebuilt file beside the source for the user.
        SCOPED_TRACE("kept open");
        TempFolder folder, signals;
        const WideString path = folder / u"shop.db";
        ASSERT_TRUE(writeShopDatabase(path, 2500));
        ASSERT_TRUE(setJournalMode(path, u"WAL"));
        const std::vector<std::string> orders = exactRows(path, kEveryOrder);

        std::optional<ChildProcess> reader;
        ProgressLog log;
        log.onEvent = [&](const ProgressEvent& event) {
            if (event.name != u"customers" || event.text != u"修复完毕") return;
            reader.emplace("read-and-hold", std::vector<std::string>{toUtf8(path), toUtf8(signals / u"reading"), toUtf8(signals / u"release")});
            EXPECT_TRUE(waitForFile(signals / u"reading", 20000)) << "the other program never read the database";
        };
        EXPECT_EQ(WideString(kResultSwapByHand), repair(path)) << describe(log.events);
        EXPECT_FALSE(sourceChanged(log));
        EXPECT_TRUE(platform::pathExists(path + u"-wal")) << "the reader left no -wal open beside the source";
        writeFile(signals / u"release", "done");
        ASSERT_TRUE(reader.has_value());
        EXPECT_EQ(0, reader->wait());
        const StringArray names = folder.fileNames();
        const auto rebuilt = std::find_if(names.begin(), names.end(), [](const WideString& name) { return name.starts_with(u"已修复数据库-"); });
        ASSERT_NE(names.end(), rebuilt) << testing::PrintToString(filesWithoutStamps(folder.path()));
        EXPECT_EQ(orders, exactRows(folder / *rebuilt, kEveryOrder));
    }
}

// A program that crashed, as its files reach the repair: the -wal's index (-shm) is made anew by
// whoever reads the -wal next, so it is not among them, and a journal may lie beside a file that
// has no use for it.
struct CrashCase {
    const char* what;
    const char16_t* journal;
    const char16_t* statements;
    const char* strayJournal;   // bytes put in a -journal after the crash; nullptr for none
    std::int32_t orders;        // the rows SQLite reads after the crash
    bool rolledBack;            // SQLite rolls a hot journal back
};

const char16_t kRowsInWal[] = u"PRAGMA wal_autocheckpoint = 0; INSERT INTO orders (customer, item) VALUES (1, 'late'), (2, 'later')";
const CrashCase kCrashCases[] = {
    // Committed, but only in the -wal: the rebuilt file holds them.
    {"rows in the -wal", u"WAL", kRowsInWal, nullptr, 1502, false},
    // Never committed: the hot journal is rolled back, as SQLite does for every program.
    {"a transaction cut off", u"DELETE",
     u"PRAGMA cache_size = 1; BEGIN; UPDATE orders SET note = printf('%.300c', 'z'); DELETE FROM orders WHERE id > 100", nullptr, 1500, true},
    // SQLite plays a journal of no pages back and reads the -wal's rows.
    {"a stray journal beside rows in the -wal", u"WAL", kRowsInWal, "left here by someone else", 1502, false},
};

// Leaves the database at path (1500 orders) as the crash in c leaves it; false when it does not.
bool leaveCrashed(const WideString& path, const CrashCase& c) {
    if (!writeShopDatabase(path, 1500) || !setJournalMode(path, c.journal)) return false;
    ChildProcess writer("write-and-crash", {toUtf8(path), toUtf8(c.statements)});
    if (writer.wait() != 0) return false;
    (void)platform::deleteFile(path + u"-shm");   // absent after a journal
    if (c.strayJournal) writeFile(path + u"-journal", c.strayJournal);
    return platform::pathExists(path + (c.journal == std::u16string_view(u"WAL") ? u"-wal" : u"-journal"));
}

// The bytes of the database at path and of each of its companions, by suffix.
std::map<std::string, std::string> databaseFiles(const WideString& path) {
    std::map<std::string, std::string> files;
    for (const char16_t* suffix : {u"", u"-journal", u"-wal", u"-shm"})
        if (platform::pathExists(path + suffix)) files[toUtf8(suffix)] = fileBytes(path + suffix);
    return files;
}

// Where the source's files are after a run: under the backup's name when the rebuilt file took
// their place.
WideString keptSource(const TempFolder& folder, const WideString& path) {
    for (const WideString& name : folder.fileNames())
        if (name.starts_with(u"原数据库备份-") && name.ends_with(u".db")) return folder / name;
    return path;
}

bool hasIndexFile(const TempFolder& folder) {
    const StringArray names = folder.fileNames();
    return std::any_of(names.begin(), names.end(), [](const WideString& name) { return name.ends_with(u"-shm"); });
}

TEST(OtherPrograms, rowsOfAProgramThatCrashedAreRepairedWithTheRestAndItsFilesKeepTheirBytes) {
    for (const CrashCase& c : kCrashCases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"shop.db";
        ASSERT_TRUE(leaveCrashed(path, c)) << "the crash left no companion";
        const std::map<std::string, std::string> crashed = databaseFiles(path);

        ProgressLog log;
        bool rolledBack = false, indexBeside = false, sourceKept = true;
        log.onEvent = [&](const ProgressEvent& event) {
            rolledBack = activeRun().rolledBackJournal;
            indexBeside = indexBeside || hasIndexFile(folder);
            // Until the swap, which the last line follows, the source's files are the crash's.
            if (event.text != u"修复完毕" || event.name != u"数据库") sourceKept = sourceKept && crashed == databaseFiles(path);
        };
        EXPECT_EQ(WideString(kResultRepaired), repair(path)) << describe(log.events);
        EXPECT_TRUE(sourceKept) << "the source's files changed";
        // A -wal is merged into the backup and a hot journal rolled back into it: the backup then
        // holds alone what the crashed program had committed, and nothing that it had not.
        const WideString backup = keptSource(folder, path);
        EXPECT_EQ("integer:" + std::to_string(c.orders), exactValue(backup, u"SELECT COUNT(*) FROM orders"));
        EXPECT_EQ("integer:0", exactValue(backup, u"SELECT COUNT(*) FROM orders WHERE note LIKE 'zzz%'"));
        EXPECT_EQ(1u, databaseFiles(backup).size()) << "a companion stayed beside the backup";
        EXPECT_EQ(c.rolledBack, rolledBack);
        EXPECT_FALSE(indexBeside) << "a -shm appeared beside the source during the run";
        EXPECT_FALSE(hasIndexFile(folder));
        EXPECT_EQ("integer:" + std::to_string(c.orders), exactValue(path, u"SELECT COUNT(*) FROM orders"));
        EXPECT_EQ("integer:0", exactValue(path, u"SELECT COUNT(*) FROM orders WHERE note LIKE 'zzz%'"));
        EXPECT_TRUE(passesIntegrityCheck(path));
    }
}

// The integrity check (dovrane-cli --check) reads a database as SQLite sees it after a crash, and
// changes nothing beside it: not the file, not its companions, and no -shm appears.
TEST(OtherPrograms, theIntegrityCheckOfACrashedProgramsDatabaseChangesNothing) {
    for (const CrashCase& c : kCrashCases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"shop.db";
        ASSERT_TRUE(leaveCrashed(path, c)) << "the crash left no companion";
        const std::map<std::string, std::string> crashed = databaseFiles(path);
        const StringArray names = folder.fileNames();

        EXPECT_TRUE(passesIntegrityCheck(path));
        EXPECT_TRUE(crashed == databaseFiles(path)) << "the source's files changed";
        EXPECT_EQ(names, folder.fileNames());
    }
}

TEST(OtherPrograms, twoRepairsStartedTogetherEachTellTheTruthAndLoseNothing) {
    TempFolder folder, results;
    const WideString first = folder / u"first.db", second = folder / u"second.db";
    ASSERT_TRUE(writeShopDatabase(first, 3000));
    ASSERT_TRUE(writeDatabase(second, {u"CREATE TABLE letters (id INTEGER PRIMARY KEY, body TEXT)",
                                       numbersUpTo(3000) + u"INSERT INTO letters (body) SELECT 'letter ' || i FROM n"}));
    const std::vector<std::string> firstOrders = exactRows(first, kEveryOrder);
    const std::vector<std::string> letters = exactRows(second, u"SELECT * FROM letters ORDER BY id");
    {
        SCOPED_TRACE("two databases in one folder");
        ChildProcess one("repair", {toUtf8(first), toUtf8(results / u"one")});
        ChildProcess two("repair", {toUtf8(second), toUtf8(results / u"two")});
        EXPECT_EQ(0, one.wait());
        EXPECT_EQ(0, two.wait());
        EXPECT_EQ(toUtf8(kResultRepaired), fileBytes(results / u"one"));
        EXPECT_EQ(toUtf8(kResultRepaired), fileBytes(results / u"two"));
        EXPECT_EQ(firstOrders, exactRows(first, kEveryOrder));
        EXPECT_EQ(letters, exactRows(second, u"SELECT * FROM letters ORDER BY id"));
    }
    {
        SCOPED_TRACE("one database twice");
        ChildProcess one("repair", {toUtf8(first), toUtf8(results / u"three")});
        ChildProcess two("repair", {toUtf8(first), toUtf8(results / u"four")});
        EXPECT_EQ(0, one.wait());
        EXPECT_EQ(0, two.wait());
        // One swaps; the other finds the file changed under it, or swaps the first one's result.
        const std::string results3 = fileBytes(results / u"three"), results4 = fileBytes(results / u"four");
        for (const std::string& result : {results3, results4})
            EXPECT_TRUE(result == toUtf8(kResultRepaired) || result == toUtf8(kResultDataAnomaly)) << result;
        EXPECT_TRUE(results3 == toUtf8(kResultRepaired) || results4 == toUtf8(kResultRepaired));
        EXPECT_EQ(firstOrders, exactRows(first, kEveryOrder));
        EXPECT_TRUE(passesIntegrityCheck(first));
    }
    for (const std::string& name : filesWithoutStamps(folder.path())) EXPECT_EQ(std::string::npos, name.find("临时数据库")) << name;
}

}  // namespace
