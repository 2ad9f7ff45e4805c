// The salvage: SQLite's recovery extension writes the new database; the job then counts what the
// source still tells of each table against what came back, and writes the report.
#include "salvage/salvage_job.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "db/database.h"
#include "db/integrity_check.h"
#include "db/private_copy.h"
#include "db/sqlite_api.h"
#include "db/recovery.h"
#include "db/sql_text.h"
#include "jobs/database_files.h"
#include "platform/platform.h"
#include "salvage/salvaged_settings.h"

SalvageJob salvageJob;

namespace {

constexpr char16_t kJobName[] = u"数据库";
constexpr char16_t kSalvagedPrefix[] = u"抢救数据库-";
constexpr char16_t kReportPrefix[] = u"抢救报告-";
constexpr char16_t kLostAndFound[] = u"lost_and_found";
constexpr char16_t kTextCountingSource[] = u"统计原数据库的行数";
constexpr char16_t kTextCounting[] = u"统计抢救结果";
constexpr char16_t kTextLibraryUnusable[] = u"无法加载数据库组件 ";
constexpr std::uint32_t kReportIntervalMilliseconds = 200;
constexpr char16_t kTextNotFound[] = u"无法找到数据库";
constexpr char16_t kTextNotAFile[] = u"不是数据库文件";
constexpr char16_t kTextNoFile[] = u"无法创建抢救数据库";
constexpr char16_t kTextNotSound[] = u"抢救的数据库未通过完整性检查";
constexpr char16_t kTextNotCopied[] = u"无法在临时文件夹中复制数据库";
constexpr char16_t kTextNotRolledBack[] = u"无法回滚数据库中未完成的事务";

// The user's objects in a database's schema, read once: each type's names in schema order.
class SchemaNames {
public:
    explicit SchemaNames(rg_MoKuai_class_sqliteShuJuKu& database)
        // A schema that cannot be read gives the names read before the damage.
        : read(database.queryPage(u"SELECT type, name FROM sqlite_master WHERE name NOT LIKE 'sqlite\\_%' ESCAPE '\\'", rows)) {}
    StringArray of(std::string_view type) const {
        StringArray names;
        for (std::int64_t row = 0; row < rows.rowCount(); ++row)
            if (rows.value(row, 0).bytes == type) names.push_back(fromUtf8(rows.value(row, 1).bytes));
        return names;
    }
    // Tables, then indexes, views and triggers.
    StringArray ofEveryKind() const {
        StringArray names;
        for (const std::string_view type : {"table", "index", "view", "trigger"}) {
            const StringArray typed = of(type);
            names.insert(names.end(), typed.begin(), typed.end());
        }
        return names;
    }
    bool isRead() const { return read; }

private:
    TypedPage rows;
    bool read;
};

bool contains(const StringArray& names, const WideString& name) { return std::find(names.begin(), names.end(), name) != names.end(); }

// The largest count the source gives for the table, from its own b-tree or any of its indexes.
std::optional<std::int64_t> largestCount(rg_MoKuai_class_sqliteShuJuKu& source, const WideString& table) {
    std::optional<std::int64_t> largest = source.queryInteger(u"SELECT COUNT(*) FROM " + quotedName(table) + u" NOT INDEXED");
    const std::string name = toUtf8(table);
    const TypedValue parameter[] = {textValue(name)};
    TypedPage indexes;
    (void)source.queryPage(u"SELECT name FROM pragma_index_list(?1)", indexes, parameter);   // unreadable: the table's own count
    for (std::int64_t row = 0; row < indexes.rowCount(); ++row) {
        const WideString index = fromUtf8(indexes.value(row, 0).bytes);
        const auto counted = source.queryInteger(u"SELECT COUNT(*) FROM " + quotedName(table) + u" INDEXED BY " + quotedName(index));
        if (counted && (!largest || *counted > *largest)) largest = counted;
    }
    return largest;
}

// What the source still tells before anything is recovered: its tables with their counts, its
// objects, whether SQLite's check finds it sound. Fills the report's source side.
StringArray readSource(const WideString& sourcePath, SalvageReport& report) {
    rg_MoKuai_class_sqliteShuJuKu source;
    (void)source.connectReadOnly(sourcePath);   // an unreadable source leaves every count unknown
    const SchemaNames names(source);
    report.isSchemaRead = names.isRead();
    for (const WideString& table : names.of("table")) report.tables.push_back(SalvagedTable{table, largestCount(source, table), 0});
    TypedPage check;
    report.isSourceSound = source.queryPage(u"PRAGMA quick_check(1)", check) && check.rowCount() == 1 && check.value(0, 0).bytes == "ok";
    return names.ofEveryKind();
}

// Compares the salvaged database with what the source told: its tables' rows, the rows without a
// table, the objects it could not rebuild.
void countWhatCameBack(const WideString& salvagedPath, const StringArray& sourceObjects, SalvageReport& report) {
    rg_MoKuai_class_sqliteShuJuKu salvaged;
    (void)salvaged.connectReadOnly(salvagedPath);
    const SchemaNames salvagedNames(salvaged);
    for (const WideString& table : salvagedNames.of("table")) {
        const bool isKnown = std::any_of(report.tables.begin(), report.tables.end(), [&](const SalvagedTable& known) { return known.name == table; });
        if (table != kLostAndFound && !isKnown) report.tables.push_back(SalvagedTable{table, std::nullopt, 0});
    }
    for (SalvagedTable& table : report.tables)
        table.salvagedRows = salvaged.queryInteger(u"SELECT COUNT(*) FROM " + quotedName(table.name)).value_or(0);
    report.lostAndFoundRows = salvaged.queryInteger(u"SELECT COUNT(*) FROM " + quotedName(kLostAndFound)).value_or(0);
    const StringArray rebuilt = salvagedNames.ofEveryKind();
    for (const WideString& name : sourceObjects)
        if (!contains(rebuilt, name)) report.objectsNotRebuilt.push_back(name);
}

// Writes a report file as Notepad reads it best: UTF-8 with a byte-order mark, lines ending in CR LF.
void writeTextFile(const WideString& path, const WideString& text) {
    WideString lines;
    for (const char16_t unit : text) {
        if (unit == u'\n') lines += u'\r';
        lines += unit;
    }
    std::ofstream(std::filesystem::path(platform::systemPath(path)), std::ios::binary) << "\xEF\xBB\xBF" << toUtf8(lines);
}

}  // namespace

SalvageOutcome SalvageJob::salvageDatabase(const WideString& path) {
    const auto report = [this](std::int32_t kind, const WideString& text) { salvageProgress.raise(*this, kind, kJobName, 0, 0, text); };
    SalvageOutcome outcome;
    const auto failEarly = [&](const WideString& reason) {
        report(kProgressMessage, kSalvageFailedPrefix + reason);
        outcome.result = kSalvageFailedPrefix + reason;
        return outcome;
    };
    // Before anything is read or created: without its database library the program can do nothing.
    if (!isSqliteLibraryUsable()) return failEarly(kTextLibraryUnusable + sqliteLibraryFile());
    if (!platform::pathExists(path)) return failEarly(kTextNotFound);
    // A pipe would hang the first read, and a folder would get the salvage and report in its parent.
    if (!platform::isRegularFile(path)) return failEarly(kTextNotAFile);
    const WideString sourcePath = platform::resolvedPath(path);
    const WideString folder = platform::folderOf(sourcePath);
    outcome.report.source = sourcePath;
    outcome.sourceVersion = databaseVersion(sourcePath);
    // The salvaged database and its two reports, under one stamp.
    platform::FileError creation = platform::FileError::none;
    const StringArray files = createStampedFiles(folder, {{kSalvagedPrefix, u".db"}, {kReportPrefix, u".txt"}, {kReportPrefix, u".json"}}, creation);
    if (files.empty()) return failEarly(kTextNoFile);
    const WideString salvagedPath = folder + files[0];
    const auto writeReport = [&] {
        writeTextFile(folder + files[1], outcome.report.text());
        std::ofstream(std::filesystem::path(platform::systemPath(folder + files[2])), std::ios::binary) << outcome.report.json();
        outcome.reportPath = folder + files[1];
    };
    const auto fail = [&](const WideString& reason) {
        deleteDatabaseFiles(salvagedPath);
        outcome.report.failure = reason;
        writeReport();
        return failEarly(reason);
    };

    // A source with a journal or a -wal beside it is read as SQLite sees it, through a private copy.
    const PrivateCopy reading(sourcePath);
    if (reading.failure() != PrivateCopy::Failure::none)
        return fail(reading.failure() == PrivateCopy::Failure::notCopied ? kTextNotCopied : kTextNotRolledBack);
    report(kProgressOfItem, kTextCountingSource);
    const StringArray sourceObjects = readSource(reading.readPath(), outcome.report);
    report(kProgressOfItem, runningText);
    // The table being recovered and its rows so far, at most one line per interval.
    std::uint32_t lastReport = platform::tickCount();
    const auto rowWritten = [&](const std::string& table, std::int64_t rows) {
        const std::uint32_t now = platform::tickCount();
        if (now - lastReport < kReportIntervalMilliseconds) return;
        lastReport = now;
        const WideString name = fromUtf8(table);
        const auto known = std::find_if(outcome.report.tables.begin(), outcome.report.tables.end(),
                                        [&](const SalvagedTable& counted) { return counted.name == name; });
        const std::int64_t total = known != outcome.report.tables.end() ? known->sourceRows.value_or(0) : 0;
        salvageProgress.raise(*this, kProgressOfItem, name, static_cast<std::int32_t>(total), static_cast<std::int32_t>(rows), runningText);
    };
    WideString error;
    const bool recovered = recoverDatabase(reading.readPath(), salvagedPath, rowWritten, error);
    // Tolerated when refused: the salvaged rows are sound either way, with SQLite's defaults.
    if (recovered) (void)keepSourceSettings(reading.readPath(), salvagedPath);
    StringArray findings;
    if (recovered && (!checkIntegrity(salvagedPath, findings) || findings != StringArray{u"ok"})) error = kTextNotSound;
    if (!recovered || !error.empty()) return fail(error);
    outcome.report.salvaged = salvagedPath;
    report(kProgressOfItem, kTextCounting);
    countWhatCameBack(salvagedPath, sourceObjects, outcome.report);
    writeReport();
    outcome.result = outcome.report.isNothingLost() ? kSalvageNothingLost : kSalvageSomeLost;
    report(kProgressMessage, outcome.result);
    return outcome;
}
