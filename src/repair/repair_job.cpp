// The repair run: connect both databases, transfer the schema, copy every table while SQLite checks
// the source's structure, finish the schema, then swap the rebuilt file in with the damaged one
// kept as a backup. The source is only ever read.
#include "repair/repair_job.h"

#include "db/hot_journal.h"
#include "platform/platform.h"
#include "repair/database_files.h"
#include "repair/exempt_tables.h"
#include "repair/process_objects.h"
#include "repair/result_texts.h"
#include "repair/schema_transfer.h"
#include "repair/structure_check.h"
#include "repair/table_copy.h"

rg_mk_class_sqliteshjk_xf repairJob;

namespace {

constexpr char16_t kJobName[] = u"数据库";
constexpr char16_t kTextNotFound[] = u"无法找到数据库";
constexpr char16_t kTextCreatingTemp[] = u"创建临时数据库";
constexpr char16_t kTextReadError[] = u"数据库读取错误";
constexpr char16_t kTextRestored[] = u"修复失败数据库还原完毕";
constexpr char16_t kTextBusyRetry[] = u"数据库被占用中.3秒后再次尝试替换 3/";
constexpr char16_t kTextSwapByHand[] = u"数据库被占用无法自动替换请手动替换数据库目录下已修复数据库";
constexpr char16_t kTextRebuiltKeptAs[] = u"已修复的数据库保存为:";
constexpr char16_t kTextFinished[] = u"修复完毕";
constexpr char16_t kTextTempNotCreated[] = u"修复失败,无法创建临时数据库:";
constexpr char16_t kTextNoSpace[] = u"磁盘空间不足";
constexpr char16_t kTextNoPermission[] = u"没有写入权限";
constexpr char16_t kTextCannotCreate[] = u"无法创建文件";
constexpr char16_t kTextJournalNotRolledBack[] = u"修复失败,无法回滚原数据库中未完成的事务";
constexpr char16_t kTextSourceChanged[] = u"修复失败,数据库在修复期间被修改";
constexpr char16_t kTextTreeDamaged[] = u"修复失败,表的存储结构损坏,行数据不可信:";
constexpr char16_t kTextExemptTreeDamaged[] = u"存储结构损坏,可能缺少行";
constexpr char16_t kTextUnplacedDamage[] = u"修复失败,数据库有无法确定所属表的数据损坏";
constexpr char16_t kTextNotChecked[] = u"修复失败,无法检查数据库结构:";

constexpr int kSwapAttempts = 3;
constexpr std::uint64_t kSwapRetryMilliseconds = 3000;

void report(std::int32_t kind, const WideString& name, const WideString& text) {
    repairJob.repairProgress.raise(repairJob, kind, name, 0, 0, text);
}

WideString causeOf(platform::FileError error) {
    switch (error) {
    case platform::FileError::noSpace: return kTextNoSpace;
    case platform::FileError::noPermission: return kTextNoPermission;
    default: return kTextCannotCreate;
    }
}

// What SQLite's structural check of the source found, against the tables copied: true when every
// checked table's rows can be trusted; otherwise false, with a line for each table that fails.
bool sourceStructureHolds(const StructureFindings& findings, const StringArray& tables, const WideString& exemptTables) {
    bool holds = true;
    bool hasCheckedTable = false;
    for (const WideString& table : tables) {
        const bool isExempt = isExemptTable(exemptTables, table);
        hasCheckedTable = hasCheckedTable || !isExempt;
        for (const WideString& damaged : findings.damagedTables) {
            if (damaged != table) continue;
            if (isExempt) {
                report(1, table, u"免检表" + table + kTextExemptTreeDamaged);
            } else {
                report(1, table, kTextTreeDamaged + table);
                holds = false;
            }
        }
    }
    if (!hasCheckedTable) return holds;
    if (!findings.ran) {
        report(1, kJobName, kTextNotChecked + findings.failure);
        return false;
    }
    if (findings.hasUnplacedTableDamage) {
        report(1, kJobName, kTextUnplacedDamage);
        return false;
    }
    return holds;
}

bool copyTables(const StringArray& tables, const WideString& exemptTables) {
    for (const WideString& table : tables)
        if (!copyTable(table, isExemptTable(exemptTables, table) ? 1 : 0)) return false;
    // Views and triggers come after the rows, so that no trigger fires while rows are copied.
    return copyLateSchema();
}

// The mutex that lets one run at a time check the source and swap it, across processes.
WideString swapMutexName(const WideString& sourcePath) { return asciiText(platform::md5Hex(utf8WithZero(sourcePath))) + u"swap"; }

}  // namespace

WideString rg_mk_class_sqliteshjk_xf::repairDatabase(const WideString& path, std::int32_t, const WideString& exemptTables) {
    pageSize = kRowsPerPage;
    if (!platform::pathExists(path)) {
        report(1, kJobName, kTextNotFound);
        return kResultDatabaseNotFound;
    }
    // The real file behind a symbolic link is repaired in its own folder, and the link stays. A
    // relative path becomes absolute, so that the temporary file lands beside the file.
    const WideString sourcePath = platform::resolvedPath(path);
    const WideString folder = platform::folderOf(sourcePath);
    const WideString sourceName = platform::fileNameOf(sourcePath);

    if (!rollBackHotJournal(sourcePath)) {
        report(1, kJobName, kTextJournalNotRolledBack);
        report(1, kJobName, kTextRestored);
        return kResultDataAnomaly;
    }
    const std::string sourceVersion = databaseVersion(sourcePath);
    platform::FileError creation = platform::FileError::none;
    const WideString tempName = createStampedFile(folder, kTempPrefix, creation);
    if (tempName.empty()) {
        report(1, kJobName, kTextTempNotCreated + causeOf(creation));
        return kResultDataAnomaly;
    }
    const WideString tempPath = folder + tempName;

    (void)sourceDb.connectReadOnly(sourcePath);   // a source that cannot be read fails its schema read
    (void)targetDb.connect(tempPath, std::nullopt, kTargetSyncChoice);
    report(2, kJobName, kTextCreatingTemp);

    StringArray tables;
    if (!copySchema(tables)) {
        report(1, kJobName, kTextReadError);
        return kResultReadError;
    }
    startStructureCheck();
    const bool copied = copyTables(tables, exemptTables);
    // The check reads sourceDb: it ends before the connections close, whatever the copy gave.
    const StructureFindings findings = structureCheckFindings();
    const bool trusted = copied && sourceStructureHolds(findings, tables, exemptTables);
    (void)targetDb.close();
    (void)sourceDb.close();
    if (!copied || !trusted) {
        deleteDatabaseFiles(tempPath);
        // Rows that another program wrote meanwhile make counts differ too: say what really happened.
        if (databaseVersion(sourcePath) != sourceVersion) report(1, kJobName, kTextSourceChanged);
        report(1, kJobName, kTextRestored);
        return kResultDataAnomaly;
    }
    // The rebuilt file goes to disk before it takes the source's name. A failed flush is tolerated:
    // the damaged file is kept as the backup either way.
    (void)platform::flushFile(tempPath);

    platform::NamedMutex swapMutex;
    (void)swapMutex.create(swapMutexName(sourcePath));   // without it, the version check still runs
    for (int attempt = 0; attempt < kSwapAttempts; ++attempt) {
        swapMutex.acquire();
        // Rows another program wrote since the copy began would live on only in the backup.
        if (databaseVersion(sourcePath) != sourceVersion) {
            swapMutex.release();
            deleteDatabaseFiles(tempPath);
            report(1, kJobName, kTextSourceChanged);
            report(1, kJobName, kTextRestored);
            return kResultDataAnomaly;
        }
        // A backup left by an earlier run is never overwritten: the name is a free one.
        const bool swapped = swapInRebuilt(folder, sourceName, tempName, freeStampedName(folder, kBackupPrefix));
        swapMutex.release();
        if (swapped) {
            report(2, kJobName, kTextFinished);
            return kResultRepaired;
        }
        if (attempt == kSwapAttempts - 1) break;
        platform::waitPumping(kSwapRetryMilliseconds, 1);
        report(1, kJobName, kTextBusyRetry + decimalText(attempt));
    }
    const WideString repairedName = freeStampedName(folder, kRepairedPrefix);
    // Should even that move fail, the rebuilt file stays under its temporary name, and the line says so.
    const bool moved = moveDatabaseInFolder(folder, tempName, repairedName);
    report(1, kJobName, kTextSwapByHand);
    report(1, kJobName, kTextRebuiltKeptAs + (moved ? repairedName : tempName));
    return kResultSwapByHand;
}
