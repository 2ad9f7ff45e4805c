// The five results of a repair run, the events of the job, and the files each result leaves in the
// database's folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "fixtures/damaged_database.h"
#include "jobs/database_files.h"
#include "platform/platform.h"
#include "repair/process_objects.h"
#include "repair/result_texts.h"
#include "repair_run.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace {


// The one file of folder whose name begins with prefix; "" when there is not exactly one.
WideString onlyFileStartingWith(const TempFolder& folder, std::u16string_view prefix) {
    WideString found;
    int count = 0;
    for (const WideString& name : folder.fileNames())
        if (name.starts_with(prefix)) found = name, ++count;
    return count == 1 ? found : WideString();
}

// A yyyyMMddHHmmss stamp moved on by some seconds, as a wall clock would read then.
WideString stampAfter(const WideString& stamp, int later) {
    using namespace std::chrono;
    const auto number = [&](std::size_t at, std::size_t length) { return std::stoi(toUtf8(stamp.substr(at, length))); };
    const sys_days day = year{number(0, 4)} / number(4, 2) / number(6, 2);
    const sys_seconds moment = day + hours{number(8, 2)} + minutes{number(10, 2)} + seconds{number(12, 2) + later};
    const sys_days newDay = floor<days>(moment);
    const year_month_day date{newDay};
    const hh_mm_ss time{moment - newDay};
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02u%02u%02d%02d%02d", static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return asciiText(text);
}

const std::string kCreatingTemp = "2 创建临时数据库";

bool writeNoTable(const WideString& path) { return writeDatabase(path, {u"CREATE TABLE gone (x)", u"DROP TABLE gone"}); }
bool writeShop(const WideString& path) { return writeShopDatabase(path, 2500); }
// A rollback journal instead of WAL: connecting to it for writing would switch it and change its header.
bool writeShopInRollbackMode(const WideString& path) { return writeShopDatabase(path, 2500) && setJournalMode(path, u"DELETE"); }
bool writeEmptyFile(const WideString& path) {
    writeFile(path, "");
    return platform::pathExists(path);
}
bool writeShopWithGarbledOrders(const WideString& path) { return writeShopDatabase(path, 2500) && garbleLeafPage(path, u"orders"); }
// Even counting the orders fails: the table is failed, not taken for empty.
bool writeShopWithUncountableOrders(const WideString& path) { return writeShopDatabase(path, 2500) && garbleWholeLeafPage(path, u"orders"); }
// SQLite reads the leaves on either side of it and stops short without an error.
bool writeShopWithGarbledMiddleLeaf(const WideString& path) { return writeShopDatabase(path, 20000) && garbleTreePage(path, u"orders", TreePage::middleLeaf) > 0; }
bool writeShopInRollbackModeWithGarbledOrders(const WideString& path) {
    return writeShopInRollbackMode(path) && garbleLeafPage(path, u"orders");
}

bool writeShopWithATextInAnIntegerColumn(const WideString& path) { return writeShopDatabase(path, 2500) && addRetypedColumn(path); }
bool writeShopWithGarbledSchema(const WideString& path) { return writeShopDatabase(path, 2500) && garbleFirstPage(path); }
// A copy that stopped part way: the header counts pages the file no longer has.
bool writeShopCutAfterItsLastUsedPage(const WideString& path) {
    return writeShopDatabase(path, 2500) &&
           writeDatabase(path, {u"CREATE TABLE scratch (body TEXT)", numbersUpTo(500) + u"INSERT INTO scratch SELECT printf('%.300c', 'x') FROM n"}) &&
           writeDatabase(path, {u"DROP TABLE scratch"}) && cutAfterLastUsedPage(path);   // its pages, at the file's end, are free
}
bool writeShopCutInsideItsOrders(const WideString& path) { return writeShopDatabase(path, 2500) && cutBeforeLastLeaf(path, u"orders"); }

struct OutcomeCase {
    const char* what;
    bool (*writeSource)(const WideString& path);   // nullptr: there is no source
    const char16_t* result;
    std::vector<std::string> files;        // in the folder afterwards
    std::vector<std::string> jobEvents;    // kind and text of the job's own events
    const char16_t* sourceKeptAs;          // the name the untouched source has afterwards, by its beginning
    const char16_t* detail;                // what the result box says under the result
    bool offersSalvage;                    // rows could not be read
};

TEST(RepairOutcome, eachResultLeavesItsFilesAndEvents) {
    const OutcomeCase cases[] = {
        {"path not found", nullptr, kResultDatabaseNotFound, {}, {"1 无法找到数据库"}, nullptr, u"", false},
        {"database without a table", writeNoTable, kResultReadError, {"shop.db"},
         {kCreatingTemp, "1 数据库读取错误"}, u"shop.db", u"修复失败,无法读取数据库结构", false},
        {"file that is not a database", writeNotADatabase, kResultReadError, {"shop.db"},
         {kCreatingTemp, "1 数据库读取错误"}, u"shop.db", u"修复失败,无法读取数据库结构(file is not a database)", false},
        {"empty file", writeEmptyFile, kResultReadError, {"shop.db"}, {kCreatingTemp, "1 数据库读取错误"}, u"shop.db",
         u"修复失败,无法读取数据库结构", false},
        {"garbled schema page", writeShopWithGarbledSchema, kResultReadError, {"shop.db"},
         {kCreatingTemp, "1 数据库读取错误"}, u"shop.db", u"修复失败,无法读取数据库结构(database disk image is malformed)", true},
        {"garbled table page", writeShopWithGarbledOrders, kResultDataAnomaly, {"shop.db"},
         {kCreatingTemp, "1 修复失败数据库还原完毕"}, u"shop.db", u"修复失败,表orders中有行无法读取,原数据库数量:2500,新表数量:", true},
        {"garbled middle leaf", writeShopWithGarbledMiddleLeaf, kResultDataAnomaly, {"shop.db"},
         {kCreatingTemp, "1 修复失败数据库还原完毕"}, u"shop.db", u"修复失败,表orders", true},
        {"garbled table page header", writeShopWithUncountableOrders, kResultDataAnomaly, {"shop.db"},
         {kCreatingTemp, "1 修复失败数据库还原完毕"}, u"shop.db", u"修复失败,无法读取表:orders", true},
        {"garbled table page, rollback journal", writeShopInRollbackModeWithGarbledOrders, kResultDataAnomaly, {"shop.db"},
         {kCreatingTemp, "1 修复失败数据库还原完毕"}, u"shop.db", u"修复失败,表orders中有行无法读取,原数据库数量:2500,新表数量:", true},
        {"a value the rebuilt table would change", writeShopWithATextInAnIntegerColumn, kResultDataAnomaly, {"shop.db"},
         {kCreatingTemp, "1 修复失败数据库还原完毕"}, u"shop.db", u"修复失败,新表中的行与原数据库读出的行不一致:codes", false},
        {"sound database, rollback journal", writeShopInRollbackMode, kResultRepaired, {"shop.db", "原数据库备份-<stamp>.db"},
         {kCreatingTemp, "2 修复完毕"}, u"原数据库备份-", u"", false},
        {"file cut inside a table", writeShopCutInsideItsOrders, kResultDataAnomaly, {"shop.db"},
         {kCreatingTemp, "1 修复失败数据库还原完毕"}, u"shop.db", u"修复失败,无法读取表:orders", true},
        {"file cut after its last used page", writeShopCutAfterItsLastUsedPage, kResultRepaired, {"shop.db", "原数据库备份-<stamp>.db"},
         {kCreatingTemp, "1 数据库的空闲页列表已损坏,已在新数据库中重建", "2 修复完毕"}, u"原数据库备份-", u"", false},
        {"sound database", writeShop, kResultRepaired, {"shop.db", "原数据库备份-<stamp>.db"}, {kCreatingTemp, "2 修复完毕"},
         u"原数据库备份-", u"", false},
    };
    // Every source that is repaired was written as this shop database (a file cut short can no longer
    // be read back): the rebuilt file holds its rows.
    TempFolder reference;
    ASSERT_TRUE(writeShop(reference / u"shop.db"));
    for (const OutcomeCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"shop.db";
        if (c.writeSource) {
            ASSERT_TRUE(c.writeSource(path));
        }
        const std::string sourceBytes = c.writeSource ? fileBytes(path) : std::string();

        ProgressLog log;
        const RepairOutcome outcome = repairJob.runRepair(path, kDefaultExemptTables);
        EXPECT_EQ(WideString(c.result), outcome.result);
        EXPECT_TRUE(outcome.detail.starts_with(c.detail) && (*c.detail || outcome.detail.empty())) << toUtf8(outcome.detail);
        EXPECT_EQ(c.offersSalvage, outcome.offersSalvage);
        // A read error leaves both connections open until the next run; close them as that run would,
        // so that the folder shows the files themselves.
        (void)sourceDb.close();
        (void)targetDb.close();

        EXPECT_EQ(c.files, filesWithoutStamps(folder.path()));
        EXPECT_EQ(c.jobEvents, log.jobEvents()) << describe(log.events);
        if (c.sourceKeptAs) {
            EXPECT_EQ(sourceBytes, fileBytes(folder / onlyFileStartingWith(folder, c.sourceKeptAs))) << "source changed";
        }
        if (c.result == std::u16string_view(kResultRepaired)) {
            EXPECT_TRUE(passesIntegrityCheck(path));
            for (const char16_t* table : {u"customers", u"orders"}) {
                const WideString everyRow = u"SELECT * FROM " + WideString(table) + u" ORDER BY id";
                EXPECT_EQ(exactRows(reference / u"shop.db", everyRow), exactRows(path, everyRow)) << toUtf8(table);
            }
            EXPECT_EQ(2500u, exactRows(path, u"SELECT id FROM orders").size());
            // The journal mode in the header (bytes 18 and 19: 1 rollback journal, 2 WAL) is the source's.
            EXPECT_EQ(sourceBytes.substr(18, 2), fileBytes(path).substr(18, 2));
        }
    }
}

// Makes folder the current folder while it lives.
class CurrentFolderScope {
public:
    explicit CurrentFolderScope(const WideString& folder) : previous(std::filesystem::current_path()) {
        std::filesystem::current_path(std::filesystem::path(folder));
    }
    ~CurrentFolderScope() { std::filesystem::current_path(previous); }

private:
    std::filesystem::path previous;
};

TEST(RepairOutcome, aPathRelativeToTheCurrentFolderIsRepairedWhereTheFileLies) {
    for (const char16_t* relative : {u"shop.db", u"sub/shop.db"}) {
        SCOPED_TRACE(toUtf8(relative));
        TempFolder folder;
        std::filesystem::create_directory(std::filesystem::path(folder / u"sub"));
        const WideString databaseFolder = WideString(relative).starts_with(u"sub") ? folder / u"sub" : folder.path();
        ASSERT_TRUE(writeShopDatabase(databaseFolder + platform::kPathSeparator + u"shop.db", 10));
        {
            const CurrentFolderScope scope(folder.path());
            EXPECT_EQ(WideString(kResultRepaired), repair(relative));
        }
        std::vector<std::string> expected = {"shop.db", "原数据库备份-<stamp>.db"};
        if (databaseFolder == folder.path()) expected.insert(expected.begin() + 1, "sub");
        EXPECT_EQ(expected, filesWithoutStamps(databaseFolder));
    }
}

void touch(const WideString& path) { writeFile(path, "x"); }

// Arguments: database path, marker file, release file. Opens the database through the database
// layer, as another program would, writes the marker, and keeps it open until the release file
// appears (60 s at most).
int holdDatabaseOpen(const std::vector<std::string>& arguments) {
    if (arguments.size() != 3) return 2;
    rg_MoKuai_class_sqliteShuJuKu database;
    (void)database.connect(fromUtf8(arguments[0]));
    if (!database.queryInteger(u"SELECT COUNT(*) FROM orders")) return 3;   // the reader it used stays open in the pool
    touch(fromUtf8(arguments[1]));
    return waitForFile(fromUtf8(arguments[2]), 60000) ? 0 : 4;
}
CHILD_ROLE("hold-database-open", holdDatabaseOpen);

TEST(RepairOutcome, aSourceInUseThroughoutTheSwapStaysWithTheRebuiltFileBesideIt) {
    TempFolder folder, signals;
    const WideString path = folder / u"shop.db";
    ASSERT_TRUE(writeShopDatabase(path, 1500));
    const std::string sourceBytes = fileBytes(path);
    const std::vector<std::string> orders = exactRows(path, u"SELECT * FROM orders ORDER BY id");

    ChildProcess holder("hold-database-open", {toUtf8(path), toUtf8(signals / u"held"), toUtf8(signals / u"release")});
    if (!waitForFile(signals / u"held", 20000)) {
        holder.kill();
        FAIL() << "the other process never opened the database";
    }
    ProgressLog log;
    const std::uint32_t start = platform::tickCount();
    const WideString result = repair(path);
    const std::uint32_t elapsed = platform::tickCount() - start;
    touch(signals / u"release");
    EXPECT_EQ(0, holder.wait());

    EXPECT_EQ(WideString(kResultSwapByHand), result);
    std::vector<std::string> events = log.jobEvents();
    ASSERT_EQ(5u, events.size()) << describe(log.events);
    EXPECT_TRUE(events.back().starts_with("1 已修复的数据库保存为:已修复数据库-")) << events.back();
    events.pop_back();
    EXPECT_EQ((std::vector<std::string>{kCreatingTemp, "1 数据库被占用中.3秒后再次尝试替换 3/0", "1 数据库被占用中.3秒后再次尝试替换 3/1",
                                        "1 数据库被占用无法自动替换请手动替换数据库目录下已修复数据库"}),
              events);
    EXPECT_GE(elapsed, 6000u) << "two waits of 3 s between the three attempts";
    EXPECT_EQ((std::vector<std::string>{"shop.db", "已修复数据库-<stamp>.db"}), filesWithoutStamps(folder.path()));
    EXPECT_EQ(sourceBytes, fileBytes(path));
    const WideString rebuilt = folder / onlyFileStartingWith(folder, u"已修复数据库-");
    EXPECT_TRUE(passesIntegrityCheck(rebuilt));
    EXPECT_EQ(orders, exactRows(rebuilt, u"SELECT * FROM orders ORDER BY id"));
}

TEST(RepairOutcome, aTakenBackupNameIsNeverOverwrittenAndTheNextFreeNameIsUsed) {
    TempFolder folder;
    const WideString path = folder / u"shop.db";
    ASSERT_TRUE(writeShopDatabase(path, 1500));
    const std::string sourceBytes = fileBytes(path);

    ProgressLog log;
    StringArray taken;
    log.onEvent = [&](const ProgressEvent& event) {
        // The last table is copied and the swap follows within moments: the backup names of this
        // second and of the next two are taken before it comes.
        if (event.name != u"orders" || event.text != u"修复完毕") return;
        const WideString now = timeStamp();
        for (int second = 0; second < 3; ++second) {
            taken.push_back(u"原数据库备份-" + stampAfter(now, second) + u".db");
            writeFile(folder / taken.back(), "taken");
        }
    };
    EXPECT_EQ(WideString(kResultRepaired), repair(path));

    ASSERT_EQ(3u, taken.size());
    EXPECT_EQ((std::vector<std::string>{kCreatingTemp, "2 修复完毕"}), log.jobEvents());
    StringArray backups;
    for (const WideString& name : folder.fileNames()) {
        if (!name.starts_with(u"原数据库备份-")) continue;
        if (std::find(taken.begin(), taken.end(), name) == taken.end()) backups.push_back(name);
        else EXPECT_EQ("taken", fileBytes(folder / name)) << "a taken name was overwritten";
    }
    ASSERT_EQ(1u, backups.size());
    EXPECT_TRUE(backups.front().ends_with(u"-2.db")) << toUtf8(backups.front());
    EXPECT_EQ(sourceBytes, fileBytes(folder / backups.front()));
    EXPECT_TRUE(passesIntegrityCheck(path));
}


// Without its database library the repair says so, blames nothing on the database, offers no
// salvage and creates nothing beside it.
int repairWithoutLibrary(const std::vector<std::string>& arguments) {
    platform::setLibraryFolder(fromUtf8(arguments.at(1)));
    const RepairOutcome outcome = repairJob.runRepair(fromUtf8(arguments.at(0)), kDefaultExemptTables);
    const WideString library = u"data" + WideString(1, platform::kPathSeparator) + u"static-sqlite3-third" + platform::kLibrarySuffix;
    return outcome.result == kResultLibraryUnusable + library && !outcome.offersSalvage ? 0 : 1;
}
CHILD_ROLE("repair-without-library", repairWithoutLibrary);

TEST(RepairOutcome, withoutItsLibraryNothingIsCreatedAndNoSalvageOffered) {
    TempFolder folder, noLibrary;
    const WideString path = folder / u"shop.db";
    ASSERT_TRUE(writeShopWithGarbledOrders(path));
    ChildProcess child("repair-without-library", {toUtf8(path), toUtf8(noLibrary.path())});
    EXPECT_EQ(0, child.wait());
    EXPECT_EQ(StringArray{u"shop.db"}, folder.fileNames());
}

}  // namespace
