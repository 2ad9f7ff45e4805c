// Binding SQLite, connecting to a file (writer-mutex name, journal mode, synchronous choice), and closing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "db/database.h"
#include "db/writer_mutex_name.h"
#include "db/database_fixture.h"

namespace {

platform::Library loadSqlite() {
    return platform::Library::load(WideString(u"static-sqlite3-third") + platform::kLibrarySuffix);
}

TEST(SqliteApi, bindsEveryEntryPointOfTheLibrary) {
    const platform::Library library = loadSqlite();
    ASSERT_TRUE(library.isLoaded());
    rg_ZiDingYi_sqliteHanShu api;
    ASSERT_TRUE(api.bind([&](const char* name) { return library.symbol(name); }));
    EXPECT_EQ(reinterpret_cast<void*>(api.close), library.symbol("sqlite3_close"));
    EXPECT_EQ(reinterpret_cast<void*>(api.free), library.symbol("sqlite3_free"));
    EXPECT_EQ(reinterpret_cast<void*>(api.getAutocommit), library.symbol("sqlite3_get_autocommit"));
}

TEST(SqliteApi, aLibraryLackingAnyOneEntryPointBindsNothing) {
    const platform::Library library = loadSqlite();
    ASSERT_TRUE(library.isLoaded());
    std::vector<std::string> names;
    rg_ZiDingYi_sqliteHanShu api;
    ASSERT_TRUE(api.bind([&](const char* name) {
        names.push_back(name);
        return library.symbol(name);
    }));
    ASSERT_GE(names.size(), 9u);
    for (const std::string& missing : names) {
        rg_ZiDingYi_sqliteHanShu partial;
        EXPECT_FALSE(partial.bind([&](const char* name) { return missing == name ? nullptr : library.symbol(name); })) << missing;
        EXPECT_TRUE(partial == rg_ZiDingYi_sqliteHanShu{}) << missing << " left some entry points bound";
    }
}

TEST(WriterMutexName, followsTheNameRule) {
    struct Case { const char16_t* path; std::optional<WideString> base; const char16_t* name; };
    const Case cases[] = {
        // The digest covers the terminating zero byte: 16 bytes here.
        {u"C:\\data\\test.db", std::nullopt, u"0dc147ea6ba7171d615ee7f3b20975b0sqlite"},
        {u"", std::nullopt, u"93b885adfe0da089cdf634904fd59f71sqlite"},   // the zero byte alone
        {u"C:\\data\\test.db", WideString(u"shared"), u"sharedsqlite"},
        {u"C:\\data\\test.db", WideString(u""), u"sqlite"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WideString(c.name), writerMutexName(utf8WithZero(c.path), c.base)) << toUtf8(c.path);
    // A non-ASCII path is digested as UTF-8, so each spelling gives its own 38-character name.
    const WideString nonAscii = writerMutexName(utf8WithZero(u"C:\\数据\\test.db"), std::nullopt);
    EXPECT_EQ(38u, nonAscii.size());
    EXPECT_NE(nonAscii, writerMutexName(utf8WithZero(u"C:\\DATA\\test.db"), std::nullopt));
}

TEST(Connect, anUnconnectedObjectIsUnboundAndEveryOperationFails) {
    rg_MoKuai_class_sqliteShuJuKu database;
    EXPECT_FALSE(database.close());
    EXPECT_FALSE(database.isBound());
    EXPECT_FALSE(database.lock(0));
    EXPECT_FALSE(database.unlock(0));
    EXPECT_FALSE(database.execSql(u""));
    EXPECT_FALSE(database.execBatch({u"SELECT 1"}));
    EXPECT_EQ(0, database.queryCount(u"sqlite_master", u""));
    std::vector<rg_WenBenShuZuLei> rows(3);
    EXPECT_EQ(0, database.queryArray(1, u"SELECT 1", rows));
    EXPECT_TRUE(rows.empty());   // emptied even though nothing ran
    WideString output = u"kept";
    EXPECT_FALSE(database.queryField(u"SELECT 1", output));
    EXPECT_EQ(u"kept", output);
    TypedPage page;
    EXPECT_FALSE(database.queryPage(u"SELECT 1", page));
    EXPECT_FALSE(database.queryInteger(u"SELECT 1"));
    EXPECT_FALSE(database.insertPage(u"SELECT ?", page).committed);
}

class ConnectTest : public DatabaseTest {};

// Whether the file's header marks it as a write-ahead-log database (bytes 18 and 19 are 2).
bool headerSaysWal(const WideString& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    char header[20] = {};
    file.read(header, sizeof header);
    return header[18] == 2 && header[19] == 2;
}

TEST_F(ConnectTest, switchesANewDatabaseToWalAndLeavesAWalDatabaseAlone) {
    // The switch took the writer lock once; the journal-mode read left one reader in the pool.
    EXPECT_EQ(1, database.unlockCount());
    EXPECT_EQ(1, database.idleReaders());
    EXPECT_TRUE(headerSaysWal(databasePath));

    ASSERT_TRUE(database.connect(databasePath));
    EXPECT_EQ(0, database.unlockCount()) << "a database in WAL mode was switched again";
    EXPECT_EQ(1, database.idleReaders());
    EXPECT_TRUE(messages.take().empty());
}

TEST_F(ConnectTest, connectingAgainPointsTheObjectAtTheNewFile) {
    ASSERT_TRUE(write({u"CREATE TABLE first_only(x)"}));
    const WideString otherPath = folder / u"other.db";
    ASSERT_TRUE(database.connect(otherPath));
    EXPECT_TRUE(platform::pathExists(otherPath));
    EXPECT_EQ(0, database.lockDepth());
    EXPECT_EQ(0, database.activeReaders());
    EXPECT_EQ(1, database.idleReaders());
    EXPECT_EQ("0", field(u"SELECT COUNT(*) FROM sqlite_master WHERE name = 'first_only'"));
    EXPECT_TRUE(headerSaysWal(otherPath));
}

TEST_F(ConnectTest, closeKeepsTheObjectBoundAndConnectionsReopenOnDemand) {
    ASSERT_TRUE(write({u"CREATE TABLE t(x)", u"INSERT INTO t VALUES (1)"}));
    EXPECT_TRUE(database.close());
    EXPECT_TRUE(database.isBound());
    EXPECT_EQ(0, database.idleReaders());
    EXPECT_EQ(1, database.queryCount(u"t", u""));
    EXPECT_EQ(1, database.idleReaders());
}

TEST_F(ConnectTest, theSynchronousChoiceIsSetOnEveryOpeningOfTheMainConnection) {
    struct Case { std::int32_t choice; const char* level; };   // PRAGMA synchronous reports 0 OFF, 1 NORMAL, 2 FULL
    const Case cases[] = {{0, "2"}, {1, "1"}, {2, "0"}, {-4, "2"}, {9, "0"}};
    for (const Case& c : cases) {
        ASSERT_TRUE(database.connect(databasePath, std::nullopt, c.choice));
        database.lock(0);
        EXPECT_EQ(c.level, field(u"PRAGMA synchronous")) << "choice " << c.choice;   // read through the main connection
        database.unlock(0);
    }
}

TEST(ConnectPaths, aNonAsciiPathIsOpenedAsUtf8) {
    TempFolder folder;
    const WideString path = folder / u"数据库 ü.db";
    rg_MoKuai_class_sqliteShuJuKu database;
    ASSERT_TRUE(database.connect(path));
    EXPECT_TRUE(platform::pathExists(path));
    EXPECT_EQ(StringArray({u"数据库 ü.db"}), folder.fileNames());   // not a mangled spelling of it
}

TEST(ConnectPaths, aFileThatCannotBeOpenedIsReportedByLockWhichStillHoldsTheLock) {
    TempFolder folder;
    rg_MoKuai_class_sqliteShuJuKu database;
    MessageLog messages(database);
    ASSERT_TRUE(database.connect(folder / u"missing-folder" + platform::kPathSeparator + u"x.db"));
    messages.take();   // connect's own read and switch met the same trouble

    // The failed connection connect's switch made is kept until it is recycled or closed.
    EXPECT_TRUE(database.lock(0));
    EXPECT_FALSE(database.execSql(u"CREATE TABLE t(x)"));
    database.unlock(0);
    database.close();
    messages.take();

    EXPECT_FALSE(database.lock(0));
    EXPECT_EQ(1, database.lockDepth());
    EXPECT_EQ(platform::currentThreadId(), database.ownerThread());
    EXPECT_TRUE(database.unlock(0));
    EXPECT_EQ(0, database.lockDepth());
    expectOneDiagnostic(messages, 1, u"连接", u"[语句:-][错误:连接数据库失败]");
}

}  // namespace
