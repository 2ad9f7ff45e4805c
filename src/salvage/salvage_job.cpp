// The salvage: SQLite's recovery extension writes the new database; the job then counts what the
// source still tells of each table against what came back, and writes the report.
#include "salvage/salvage_job.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "db/database.h"
#include "db/integrity_check.h"
#include "db/private_copy.h"
#include "db/recovery.h"
#include "platform/platform.h"
#include "repair/database_files.h"
#include "repair/sql_text.h"

SalvageJob salvageJob;

namespace {

constexpr char16_t kJobName[] = u"数据库";
constexpr char16_t kSalvagedPrefix[] = u"抢救数据库-";
constexpr char16_t kReportPrefix[] = u"抢救报告-";
constexpr char16_t kLostAndFound[] = u"lost_and_found";
constexpr char16_t kTextSalvaging[] = u"抢救中";
constexpr char16_t kTextCounting[] = u"统计抢救结果";
constexpr char16_t kTextNotFound[] = u"无法找到数据库";
constexpr char16_t kTextNotAFile[] = u"不是数据库文件";
constexpr char16_t kTextNoFile[] = u"无法创建抢救数据库";
constexpr char16_t kTextNotSound[] = u"抢救的数据库未通过完整性检查";
constexpr char16_t kTextNotCopied[] = u"无法在临时文件夹中复制数据库";
constexpr char16_t kTextNotRolledBack[] = u"无法回滚数据库中未完成的事务";

// The user's objects in a database's schema, read once: each type's names in schema order.
class SchemaNames {
public:
    explicit SchemaNames(rg_MoKuai_class_sqliteShuJuKu& database) {
        // A schema that cannot be read gives the names read before the damage.
        (void)database.queryPage(u"SELECT type, name FROM sqlite_master WHERE name NOT LIKE 'sqlite\\_%' ESCAPE '\\'", rows);
    }
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

private:
    TypedPage rows;
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

// Compares the salvaged database with what the source still tells.
void countWhatCameBack(const WideString& sourcePath, const WideString& salvagedPath, SalvageReport& report) {
    rg_MoKuai_class_sqliteShuJuKu source, salvaged;
    (void)source.connectReadOnly(sourcePath);   // an unreadable source leaves every count unknown
    (void)salvaged.connectReadOnly(salvagedPath);
    const SchemaNames sourceNames(source), salvagedNames(salvaged);
    StringArray tables = sourceNames.of("table");
    for (const WideString& table : salvagedNames.of("table"))
        if (table != kLostAndFound && !contains(tables, table)) tables.push_back(table);
    for (const WideString& table : tables) {
        SalvagedTable counted{table, largestCount(source, table), 0};
        counted.salvagedRows = salvaged.queryInteger(u"SELECT COUNT(*) FROM " + quotedName(table)).value_or(0);
        report.tables.push_back(counted);
    }
    TypedPage check;
    report.isSourceSound = source.queryPage(u"PRAGMA quick_check(1)", check) && check.rowCount() == 1 && check.value(0, 0).bytes == "ok";
    report.lostAndFoundRows = salvaged.queryInteger(u"SELECT COUNT(*) FROM " + quotedName(kLostAndFound)).value_or(0);
    const StringArray rebuilt = salvagedNames.ofEveryKind();
    for (const WideString& name : sourceNames.ofEveryKind())
        if (!contains(rebuilt, name)) report.objectsNotRebuilt.push_back(name);
}

// Writes the report beside the source as text and JSON, each a new file; the text's path, or
// empty when it could not be written.
WideString writeReport(const WideString& folder, const SalvageReport& report) {
    platform::FileError error = platform::FileError::none;
    const WideString textName = createStampedFile(folder, kReportPrefix, error, u".txt");
    const WideString jsonName = createStampedFile(folder, kReportPrefix, error, u".json");
    if (!jsonName.empty()) std::ofstream(std::filesystem::path(platform::systemPath(folder + jsonName)), std::ios::binary) << report.json();
    if (textName.empty()) return {};
    std::ofstream(std::filesystem::path(platform::systemPath(folder + textName)), std::ios::binary) << toUtf8(report.text());
    return folder + textName;
}

}  // namespace

SalvageOutcome SalvageJob::salvageDatabase(const WideString& path) {
    const auto report = [this](std::int32_t kind, const WideString& text) { salvageProgress.raise(*this, kind, kJobName, 0, 0, text); };
    SalvageOutcome outcome;
    if (!platform::pathExists(path)) {
        report(1, kTextNotFound);
        outcome.result = kSalvageFailedPrefix + WideString(kTextNotFound);
        return outcome;
    }
    // A pipe would hang the first read, and a folder would get the salvage and report in its parent.
    if (!platform::isRegularFile(path)) {
        report(1, kTextNotAFile + (u":" + path));
        outcome.result = kSalvageFailedPrefix + WideString(kTextNotAFile);
        return outcome;
    }
    const WideString sourcePath = platform::resolvedPath(path);
    const WideString folder = platform::folderOf(sourcePath);
    outcome.report.source = sourcePath;
    const auto fail = [&](const WideString& reason) {
        outcome.report.failure = reason;
        outcome.reportPath = writeReport(folder, outcome.report);
        report(1, kSalvageFailedPrefix + reason);
        outcome.result = kSalvageFailedPrefix + reason;
        return outcome;
    };

    // A source with a journal or a -wal beside it is read as SQLite sees it, through a private copy.
    const PrivateCopy reading(sourcePath);
    if (reading.failure() != PrivateCopy::Failure::none)
        return fail(reading.failure() == PrivateCopy::Failure::notCopied ? kTextNotCopied : kTextNotRolledBack);
    platform::FileError creation = platform::FileError::none;
    const WideString salvagedName = createStampedFile(folder, kSalvagedPrefix, creation);
    if (salvagedName.empty()) return fail(kTextNoFile);
    const WideString salvagedPath = folder + salvagedName;
    report(2, kTextSalvaging);
    WideString error;
    const bool recovered = recoverDatabase(reading.readPath(), salvagedPath, [&](std::int64_t) { report(2, kTextSalvaging); }, error);
    StringArray findings;
    if (recovered && (!checkIntegrity(salvagedPath, findings) || findings != StringArray{u"ok"})) error = kTextNotSound;
    if (!recovered || !error.empty()) {
        deleteDatabaseFiles(salvagedPath);
        return fail(error);
    }
    outcome.report.salvaged = salvagedPath;
    report(2, kTextCounting);
    countWhatCameBack(reading.readPath(), salvagedPath, outcome.report);
    outcome.reportPath = writeReport(folder, outcome.report);
    outcome.result = outcome.report.isNothingLost() ? kSalvageNothingLost : kSalvageSomeLost;
    report(1, outcome.result);
    return outcome;
}
