// The salvage: SQLite's recovery extension writes the new database; the job then counts what the
// source still tells of each table against what came back, and writes the report.
#include "salvage/salvage_job.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>

#include "db/database.h"
#include "db/integrity_check.h"
#include "db/sqlite_api.h"
#include "db/recovery.h"
#include "db/sql_text.h"
#include "jobs/database_files.h"
#include "jobs/source_reading.h"
#include "platform/platform.h"
#include "salvage/lost_rows.h"
#include "salvage/orphan_placement.h"
#include "salvage/schema_copy.h"
#include "salvage/salvaged_settings.h"
#include "salvage/source_survey.h"

SalvageJob salvageJob;

namespace {

constexpr char16_t kJobName[] = u"数据库";
constexpr char16_t kSalvagedPrefix[] = u"抢救数据库-";
constexpr char16_t kReportPrefix[] = u"抢救报告-";
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

// The user's objects in a database's schema, each type's names in schema order.
StringArray objectNames(rg_MoKuai_class_sqliteShuJuKu& database, std::string_view type) {
    const TypedValue parameter[] = {textValue(type)};
    TypedPage rows;
    (void)database.queryPage(u"SELECT name FROM sqlite_master WHERE type = ?1 AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'", rows, parameter);
    StringArray names;
    for (std::int64_t row = 0; row < rows.rowCount(); ++row) names.push_back(fromUtf8(rows.value(row, 0).bytes));
    return names;
}

bool contains(const StringArray& names, const WideString& name) { return std::find(names.begin(), names.end(), name) != names.end(); }

// The salvaged database connected for its last steps, with the source beside it as "src", read as
// shortFileReading says.
bool connectBeside(rg_MoKuai_class_sqliteShuJuKu& salvaged, const WideString& salvagedPath, const WideString& sourcePath,
                   ShortFileReading shortFileReading) {
    BuildSettings settings;
    settings.attachedSource = sourcePath;
    settings.attachedName = u"src";
    settings.shortSourceReading = shortFileReading;
    return salvaged.connectForBuilding(salvagedPath, settings);
}

// Puts rows of lost_and_found back in their tables and brings back the rows an index holds whole.
// A source whose schema could not be read takes its tables from schemaCopyPath, when one is given.
void placeRows(const WideString& salvagedPath, const WideString& sourcePath, ShortFileReading shortFileReading, const WideString& schemaCopyPath,
               SalvageReport& report) {
    rg_MoKuai_class_sqliteShuJuKu salvaged;
    if (!connectBeside(salvaged, salvagedPath, sourcePath, shortFileReading)) return;
    SchemaCopy copy;
    const bool takesCopy = !report.isSchemaRead && !schemaCopyPath.empty() && copy.read(schemaCopyPath);
    if (!report.isSchemaRead && !schemaCopyPath.empty() && !takesCopy) report.unreadSchemaCopy = schemaCopyPath;
    if (takesCopy) {
        report.schemaCopy = schemaCopyPath;
        const WriterLock writing(salvaged);
        copy.createTables(salvaged);
    }
    placeOrphanedRows(salvaged, copy.rootPages(), report);
    restoreRowsFromIndexes(salvaged, report);
    if (!takesCopy) return;
    const WriterLock writing(salvaged);
    const StringArray notCreated = copy.createTheRest(salvaged);
    report.objectsNotRebuilt.insert(report.objectsNotRebuilt.end(), notCreated.begin(), notCreated.end());
}

// Names the rows still lost, and runs SQLite's check of the salvaged database beside it: both only read.
bool nameLostRowsAndCheck(const WideString& salvagedPath, const WideString& sourcePath, ShortFileReading shortFileReading, SalvageReport& report) {
    std::future<bool> checking = std::async(std::launch::async, [&salvagedPath] {
        StringArray findings;
        return checkIntegrity(salvagedPath, findings) && findings == StringArray{u"ok"};
    });
    rg_MoKuai_class_sqliteShuJuKu salvaged;
    if (connectBeside(salvaged, salvagedPath, sourcePath, shortFileReading)) nameLostRows(salvaged, report);
    return checking.get();
}

// Compares the salvaged database with what the source told: its tables' rows, the rows without a
// table, the objects it could not rebuild.
void countWhatCameBack(const WideString& salvagedPath, const SourceSurvey& survey, const std::map<WideString, TableCheck>& checks,
                       SalvageReport& report) {
    rg_MoKuai_class_sqliteShuJuKu salvaged;
    (void)salvaged.connectReadOnly(salvagedPath);
    for (const WideString& table : objectNames(salvaged, "table")) {
        if (table == report.lostAndFound || table == report.indexEntriesTable() || report.table(table)) continue;
        SalvagedTable added;
        added.name = table;
        added.verified = false;   // the source did not list it: nothing checked its b-tree
        report.tables.push_back(std::move(added));
    }
    for (SalvagedTable& table : report.tables) {
        const WideString from = u" FROM " + quotedName(table.name);
        table.salvagedRows = salvaged.queryInteger(u"SELECT count(*)" + from).value_or(0);
        const auto checked = checks.find(table.name);
        if (checked == checks.end()) continue;
        for (const std::int64_t rowid : checked->second.suspectRowids) {
            const TypedValue parameter[] = {integerValue(rowid)};
            if (salvaged.queryInteger(u"SELECT count(*)" + from + u" WHERE rowid = ?1", parameter) != 1) continue;
            table.damagedRows.push_back(KnownRow{std::to_string(rowid), u"rowid " + decimalText(rowid), "{}"});
            --table.salvagedRows;
        }
    }
    report.lostAndFoundRows = salvaged.queryInteger(u"SELECT COUNT(*) FROM " + quotedName(report.lostAndFound)).value_or(0);
    StringArray rebuilt;
    for (const std::string_view type : {"table", "index", "view", "trigger"}) {
        const StringArray names = objectNames(salvaged, type);
        rebuilt.insert(rebuilt.end(), names.begin(), names.end());
    }
    for (const WideString& name : survey.objects)
        if (!contains(rebuilt, name)) report.objectsNotRebuilt.push_back(name);
}

// A report's text as Notepad reads it best: UTF-8 with a byte-order mark, lines ending in CR LF.
std::string notepadText(const WideString& text) {
    WideString lines;
    for (const char16_t unit : text) {
        if (unit == u'\n') lines += u'\r';
        lines += unit;
    }
    return "\xEF\xBB\xBF" + toUtf8(lines);
}

// Writes bytes to a new file at path, never over an existing one; false when it cannot.
bool writeNewFile(const WideString& path, const std::string& bytes) {
    if (platform::createNewFile(path) != platform::FileError::none) return false;
    std::ofstream file(std::filesystem::path(platform::systemPath(path)), std::ios::binary);
    return static_cast<bool>(file << bytes);
}

}  // namespace

SalvageOutcome SalvageJob::salvageDatabase(const WideString& path, const WideString& schemaCopyPath) {
    const auto report = [this](std::int32_t kind, const WideString& text) { salvageProgress.raise(*this, kind, kJobName, 0, 0, text); };
    SalvageOutcome outcome;
    const auto failEarly = [&](const WideString& reason) {
        report(kProgressMessage, kSalvageFailedPrefix + reason);
        outcome.result = kSalvageFailedPrefix + reason;
        return outcome;
    };
    SourceReading source;
    switch (source.check(path)) {
    case SourceReading::Failure::libraryUnusable: return failEarly(kTextLibraryUnusable + sqliteLibraryFile());
    case SourceReading::Failure::notFound: return failEarly(kTextNotFound);
    case SourceReading::Failure::notAFile: return failEarly(kTextNotAFile);
    default: break;
    }
    const WideString& sourcePath = source.sourcePath();
    const WideString& folder = source.folder();
    outcome.report.source = sourcePath;
    outcome.sourceVersion = source.version();
    // The commits past a damaged frame of the -wal are lost to the salvage as to SQLite.
    outcome.report.hasUnreadableLogCommits = source.log().hasUnreadableCommits;
    // The salvaged database and its two reports, under one stamp. The database is built under a
    // temporary name and takes its final name only when finished, and the reports follow it, so a
    // salvage stopped part way leaves nothing under the final names (an empty file there would
    // open as an empty database). The temporary file holds the stamp meanwhile: every run's set of
    // names holds it, and a set is taken only where all of its names are free.
    platform::FileError creation = platform::FileError::none;
    const StringArray files = createStampedFiles(
        folder, {{kTempPrefix, u".db"}, {kSalvagedPrefix, u".db", false}, {kReportPrefix, u".txt", false}, {kReportPrefix, u".json", false}},
        creation);
    if (files.empty()) return failEarly(kTextNoFile);
    const WideString buildingPath = folder + files[0];
    const WideString salvagedPath = folder + files[1];
    const auto writeReport = [&] {
        if (writeNewFile(folder + files[2], notepadText(outcome.report.text()))) outcome.reportPath = folder + files[2];
        (void)writeNewFile(folder + files[3], outcome.report.json());   // a name another program took meanwhile keeps its file
    };
    const auto fail = [&](const WideString& reason) {
        outcome.report.failure = reason;
        writeReport();
        deleteDatabaseFiles(buildingPath);   // only now: until the reports have their names, it holds the stamp
        return failEarly(reason);
    };

    // A source with a journal or a -wal beside it is read as SQLite sees it, through a private copy.
    if (const SourceReading::Failure opening = source.open(); opening != SourceReading::Failure::none)
        return fail(opening == SourceReading::Failure::notCopied ? kTextNotCopied : kTextNotRolledBack);
    // A file cut short is read up to its real end, each connection to it alike.
    const ShortFileReading shortReading = source.shortFileReading();
    report(kProgressOfItem, kTextCountingSource);
    const SourceSurvey survey = surveySource(source.readPath(), shortReading, outcome.report);
    // SQLite's check of each table reads the whole source: it runs beside the recovery.
    // (The quick check that called the source sound does not compare a table with its indexes: two
    // leaves of two tables swapped with their keys in step pass it.)
    std::future<std::map<WideString, TableCheck>> checking = std::async(std::launch::async, checkSourceTables, source.readPath(), shortReading, survey.schema);
    report(kProgressOfItem, runningText);
    // The table being recovered and its rows so far, at most one line per interval.
    std::uint32_t lastReport = platform::tickCount();
    const auto rowWritten = [&](const std::string& table, std::int64_t rows) {
        const std::uint32_t now = platform::tickCount();
        if (now - lastReport < kReportIntervalMilliseconds) return;
        lastReport = now;
        const WideString name = fromUtf8(table);
        const SalvagedTable* known = outcome.report.table(name);
        const std::int64_t total = known ? known->sourceRows.value_or(0) : 0;
        salvageProgress.raise(*this, kProgressOfItem, name, static_cast<std::int32_t>(total), static_cast<std::int32_t>(rows), runningText);
    };
    WideString error;
    // Rows without a table get a table whose name, and whose entries' table's name, no table of the source has.
    for (std::int64_t suffix = 1; outcome.report.table(outcome.report.lostAndFound) || outcome.report.table(outcome.report.indexEntriesTable()); ++suffix)
        outcome.report.lostAndFound = u"lost_and_found_" + decimalText(suffix);
    const bool recovered = recoverDatabase(source.readPath(), buildingPath, outcome.report.lostAndFound, rowWritten, error);
    const std::map<WideString, TableCheck> checks = checking.get();
    for (SalvagedTable& table : outcome.report.tables) {
        const auto checked = checks.find(table.name);
        table.verified = checked != checks.end() && checked->second.isClean;
        if (checked == checks.end() || checked->second.hasFindings) outcome.report.isSourceSound = false;
    }
    if (recovered) placeRows(buildingPath, source.readPath(), shortReading, schemaCopyPath, outcome.report);
    if (recovered && !nameLostRowsAndCheck(buildingPath, source.readPath(), shortReading, outcome.report)) error = kTextNotSound;
    // Last, as a change of journal mode or page size has to be: the steps above connect to the file
    // with a journal in memory. Tolerated when refused: the salvaged rows are sound either way.
    if (recovered && error.empty()) (void)keepSourceSettings(source.readPath(), buildingPath, shortReading);
    if (!recovered || !error.empty()) return fail(error);
    report(kProgressOfItem, kTextCounting);
    countWhatCameBack(buildingPath, survey, checks, outcome.report);
    // The last step that touches the salvaged file. Its bytes reach the disk before its name does,
    // so that not even a power cut leaves part of a file under the final name.
    if (!platform::flushFile(buildingPath) || !moveDatabaseInFolder(folder, files[0], files[1])) return fail(kTextNoFile);
    outcome.report.salvaged = salvagedPath;
    writeReport();
    outcome.result = outcome.report.isNothingLost() ? kSalvageNothingLost : kSalvageSomeLost;
    report(kProgressMessage, outcome.result);
    return outcome;
}
