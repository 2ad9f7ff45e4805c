// The private copy a database with a journal or a -wal beside it is read through: SQLite's own
// verdict on the journal, the rows a reader of the copy sees, the source's files as they were, and
// the copy gone with its owner, or with the next run when its owner was stopped.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "db/private_copy.h"
#include "db/read_only_opening.h"
#include "db/sqlite_api.h"
#include "fixtures/damaged_database.h"
#include "fixtures/unfinished_work.h"
#include "support/child_process.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"

namespace {

// Every file in the folder with its bytes.
std::map<WideString, std::string> filesIn(const TempFolder& folder) {
    std::map<WideString, std::string> files;
    for (const WideString& name : folder.fileNames()) {
        std::ifstream file(std::filesystem::path(folder / name), std::ios::binary);
        files[name] = std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    return files;
}

// The first column of the first row of a query on a read-only connection; -1 when it fails.
std::int64_t integerOf(const WideString& path, const char* query) {
    platform::Library library;
    rg_ZiDingYi_sqliteHanShu api;
    if (!loadSqliteLibrary(library, api)) return -1;
    const ReadOnlyOpening opening = readOnlyOpening(path, false);
    WideString error;
    const Connection connection = openOwnConnection(api, opening.name, opening.flags, error);
    sqlite3_stmt* prepared = nullptr;
    if (!connection.isOpen() || api.prepareV2(connection.get(), query, -1, &prepared, nullptr) != SQLITE_OK) return -1;
    const Statement statement(prepared, api.finalize);
    return api.step(statement.get()) == SQLITE_ROW ? api.columnInt64(statement.get(), 0) : -1;
}

void writeBytes(const WideString& path, const std::string& bytes) { std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes; }

constexpr char16_t kLateRow[] = u"INSERT INTO notes (body) VALUES ('late')";

bool writeNotes(const WideString& path) {
    return writeDatabase(path, {u"CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT)",
                                u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                                u"INSERT INTO notes (body) SELECT printf('%.200c', 'n') FROM n"});
}

bool nothingBeside(const WideString& path) { return setJournalMode(path, u"DELETE"); }
bool hotJournal(const WideString& path) {
    return setJournalMode(path, u"DELETE") && leaveHotJournal(path, u"UPDATE notes SET body = 'changed'; DELETE FROM notes WHERE id > 10");
}
bool zeroedJournal(const WideString& path) {
    if (!setJournalMode(path, u"DELETE")) return false;
    writeBytes(path + u"-journal", std::string(512, '\0'));
    return true;
}
bool emptyJournal(const WideString& path) {
    if (!setJournalMode(path, u"DELETE")) return false;
    writeBytes(path + u"-journal", "");
    return true;
}
bool rowsInWal(const WideString& path) { return leaveRowsInWal(path, kLateRow); }
bool strayJournalBesideRowsInWal(const WideString& path) {
    if (!leaveRowsInWal(path, kLateRow)) return false;
    writeBytes(path + u"-journal", "left here by someone else");
    return true;
}

TEST(PrivateCopy, readsWhatSQLiteWouldReadAndLeavesTheSourcesFilesAsTheyWere) {
    struct Case {
        const char* what;
        bool (*leave)(const WideString& path);
        std::int64_t notes;   // the rows a reader sees
        bool rolledBack;
    };
    const Case cases[] = {
        {"nothing beside", nothingBeside, 2000, false},
        {"a hot journal", hotJournal, 2000, true},
        {"a journal with a zeroed header", zeroedJournal, 2000, false},
        {"an empty journal", emptyJournal, 2000, false},
        {"rows in the -wal", rowsInWal, 2001, false},
        // SQLite plays the stray journal back, finds no page in it, and reads the -wal's rows.
        {"a stray journal beside rows in the -wal", strayJournalBesideRowsInWal, 2001, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"notes.db";
        ASSERT_TRUE(writeNotes(path));
        ASSERT_TRUE(c.leave(path));
        const std::map<WideString, std::string> before = filesIn(folder);
        const bool hasCompanion = before.size() > 1;
        WideString copyFolder;
        {
            const PrivateCopy reading(path);
            ASSERT_EQ(PrivateCopy::Failure::none, reading.failure());
            EXPECT_EQ(c.rolledBack, reading.rolledBackJournal());
            EXPECT_EQ(hasCompanion, reading.readPath() != path);
            EXPECT_EQ(c.notes, integerOf(reading.readPath(), "SELECT COUNT(*) FROM notes"));
            EXPECT_EQ(0, integerOf(reading.readPath(), "SELECT COUNT(*) FROM notes WHERE body = 'changed'"));
            EXPECT_EQ(1, integerOf(reading.readPath(), "SELECT COUNT(*) FROM pragma_quick_check WHERE quick_check = 'ok'"));
            EXPECT_TRUE(before == filesIn(folder)) << "the source's folder changed while its copy was read";
            copyFolder = platform::folderOf(reading.readPath());
        }
        EXPECT_TRUE(before == filesIn(folder)) << "the source's folder changed";
        EXPECT_EQ(!hasCompanion, platform::pathExists(copyFolder)) << "the private folder outlived its copy";
    }
}

// Arguments: the database to read, the file to write the copy's path to once the copy is made.
// Keeps the copy until killed, as a run stopped in the middle of its work does.
int copyAndHold(const std::vector<std::string>& arguments) {
    const PrivateCopy reading(fromUtf8(arguments.at(0)));
    const WideString marker = fromUtf8(arguments.at(1));
    if (reading.failure() != PrivateCopy::Failure::none) return 2;
    writeBytes(marker + u".part", toUtf8(reading.readPath()));
    if (!platform::moveFile(marker + u".part", marker)) return 2;
    for (;;) platform::waitPumping(1000, 0);
}
CHILD_ROLE("copy-and-hold", copyAndHold);

// Kills a child that would otherwise run forever, however the test ends.
struct Stopping {
    ChildProcess& child;
    ~Stopping() { child.kill(); }
};

TEST(PrivateCopy, aStoppedRunsCopyGoesWithTheNextCopyAndARunningRunsCopyStays) {
    TempFolder folder;
    for (const char16_t* name : {u"stopped.db", u"running.db", u"next.db"}) ASSERT_TRUE(writeNotes(folder / name) && rowsInWal(folder / name));
    ChildProcess stopped("copy-and-hold", {toUtf8(folder / u"stopped.db"), toUtf8(folder / u"stopped.txt")});
    ChildProcess running("copy-and-hold", {toUtf8(folder / u"running.db"), toUtf8(folder / u"running.txt")});
    const Stopping stopsStopped{stopped}, stopsRunning{running};
    ASSERT_TRUE(waitForFile(folder / u"stopped.txt", 30000) && waitForFile(folder / u"running.txt", 30000));
    const WideString stoppedCopy = fromUtf8(fileBytes(folder / u"stopped.txt")), runningCopy = fromUtf8(fileBytes(folder / u"running.txt"));
    ASSERT_TRUE(platform::pathExists(stoppedCopy) && platform::pathExists(runningCopy));
    stopped.kill();

    {
        const PrivateCopy next(folder / u"next.db");
        ASSERT_EQ(PrivateCopy::Failure::none, next.failure());
        EXPECT_FALSE(platform::pathExists(platform::folderOf(stoppedCopy))) << "the stopped run's copy stayed";
        EXPECT_EQ(2001, integerOf(runningCopy, "SELECT COUNT(*) FROM notes")) << "the running run lost its copy";
    }
    running.kill();
    { const PrivateCopy next(folder / u"next.db"); }
    EXPECT_FALSE(platform::pathExists(platform::folderOf(runningCopy))) << "the copy of the run stopped later stayed";
}

}  // namespace
