// The repair run: connect both databases, transfer the schema, copy every table while SQLite checks
// the source's structure, finish the schema, then swap the rebuilt file in with the damaged one
// kept as a backup. The source is only ever read; one with a journal or a -wal beside it is read
// through a private copy.
#include "repair/repair_job.h"

#include <algorithm>

#include "db/sqlite_api.h"
#include "jobs/database_files.h"
#include "jobs/source_reading.h"
#include "jobs/source_swap.h"
#include "platform/platform.h"
#include "repair/process_objects.h"
#include "repair/repair_run.h"
#include "repair/result_texts.h"
#include "repair/early_flush.h"
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
constexpr char16_t kTextLogDamaged[] = u"修复失败,预写日志(-wal)损坏,已提交的事务可能无法读取";
constexpr char16_t kTextLastCommitUnapplied[] = u"预写日志的最后一个事务不完整,未被应用";
constexpr char16_t kTextNotCopied[] = u"修复失败,无法在临时文件夹中复制数据库:";
constexpr char16_t kTextSourceChanged[] = u"修复失败,数据库在修复期间被修改";
constexpr char16_t kTextTreeDamaged[] = u"修复失败,表的存储结构损坏,行数据不可信:";
constexpr char16_t kTextExemptTable[] = u"免检表";
constexpr char16_t kTextDamagedAfterRollback[] = u"修复失败,回滚未完成的事务后数据库结构仍有损坏,行数据不可信";
constexpr char16_t kTextExemptTreeDamaged[] = u"存储结构损坏,可能缺少行";
constexpr char16_t kTextStray[] = u"修复失败,表中有不属于该表的数据,表的存储结构可能被调换:";
constexpr char16_t kTextExemptStray[] = u"中有不属于该表的数据,可能不是原表的数据";
constexpr char16_t kTextLooseRows[] = u"修复失败,表有脱离存储结构的数据页,可能缺少行:";
constexpr char16_t kTextExemptLooseRows[] = u"有脱离存储结构的数据页,可能缺少行";
constexpr char16_t kTextContentlessDamaged[] = u"修复失败,全文索引损坏且没有可重建的内容:";
constexpr char16_t kTextExemptContentlessDamaged[] = u"全文索引损坏且没有可重建的内容";
constexpr char16_t kTextFreeSpaceRebuilt[] = u"数据库的空闲页列表已损坏,已在新数据库中重建";
constexpr char16_t kTextUnplacedDamage[] = u"修复失败,数据库有无法确定所属表的数据损坏";
constexpr char16_t kTextNotChecked[] = u"修复失败,无法检查数据库结构:";
constexpr char16_t kTextNotAFile[] = u"修复失败,不是数据库文件:";
constexpr char16_t kTextLibraryUnusable[] = u"修复失败,无法加载数据库组件 ";
constexpr char16_t kTextBackupLogKept[] = u"原数据库备份的预写日志未能合并,请将备份与其-wal文件一起保存";
constexpr char16_t kTextBackupJournalKept[] = u"原数据库备份的回滚日志未能合并,请将备份与其-journal文件一起保存";

constexpr int kSwapAttempts = 3;
constexpr std::uint64_t kSwapRetryMilliseconds = 3000;

WideString causeOf(platform::FileError error) {
    switch (error) {
    case platform::FileError::noSpace: return kTextNoSpace;
    case platform::FileError::noPermission: return kTextNoPermission;
    default: return kTextCannotCreate;
    }
}

// What SQLite's structural check of the source found, against the tables copied: true when every
// checked table's rows can be trusted; otherwise false, with a line for each table that fails.
bool sourceStructureHolds(RepairRun& run, const StructureFindings& findings) {
    bool holds = true;
    bool hasCheckedTable = false;
    for (const WideString& table : run.tables) {
        const bool isExempt = run.isExempt(table);
        hasCheckedTable = hasCheckedTable || !isExempt;
        // A finding fails a checked table; an exempt table's is said. isDamage: as RepairRun::noteFailure.
        const auto say = [&](const WideString& exemptLine, const WideString& failureLine, bool isDamage) {
            if (isExempt) run.reportMessage(table, exemptLine);
            else run.reportFailure(table, failureLine, isDamage);
            holds = holds && isExempt;
        };
        const auto find = [&](const WideString& exemptText, const WideString& failureText, bool isDamage) {
            say(kTextExemptTable + table + exemptText, failureText + table, isDamage);
        };
        if (isNamed(findings.damagedTables, table)) find(kTextExemptTreeDamaged, kTextTreeDamaged, true);
        if (isNamed(run.late.contentlessTables, table) && isNamed(findings.damagedFullTextIndexes, table))
            find(kTextExemptContentlessDamaged, kTextContentlessDamaged, false);
        if (isNamed(findings.strayTables, table)) find(kTextExemptStray, kTextStray, true);
        if (isNamed(findings.looseRowTables, table)) find(kTextExemptLooseRows, kTextLooseRows, true);
        for (const auto& [discordant, index] : findings.discordantIndexes)
            if (discordant == table)
                say(kTextExemptTable + table + u"与索引" + index + u"不符,可能缺少行或行已被改变",
                    u"修复失败,表" + table + u"与索引" + index + u"不符,行可能缺失或已被改变", true);
    }
    if (!hasCheckedTable) return holds;
    if (!findings.ran) {
        run.reportFailure(kJobName, kTextNotChecked + findings.failure, false);
        return false;
    }
    if (findings.hasUnplacedTableDamage) {
        run.reportFailure(kJobName, kTextUnplacedDamage, true);
        return false;
    }
    // A rolled-back journal that was itself damaged can put old pages over new ones: after a
    // rollback nothing the check finds is taken for damage the rebuild cures.
    if (run.rolledBackJournal && findings.findingCount > 0) {
        run.reportFailure(kJobName, kTextDamagedAfterRollback, true);
        return false;
    }
    return holds;
}

bool copyTables(RepairRun& run, EarlyFlush& flush, const WideString& targetPath) {
    for (const WideString& table : run.tables)
        if (!copyTable(run, table, run.isExempt(table) ? 1 : 0)) return false;
    flush.start(targetPath);
    // Views and triggers come after the rows, so that no trigger fires while rows are copied.
    return copyLateSchema(run);
}

// A source cut short is read up to its end: its tables whose pages all lie within the file are
// rebuilt and proven as any other, and a table with a page past the end fails as damaged.
ShortFileReading shortFileReadingOf(const RepairRun& run) {
    return run.isSourceCutShort ? ShortFileReading::upToFileEnd : ShortFileReading::refused;
}

// How the rebuilt file is built: with the source's encoding, page size and auto-vacuum, and the
// file the source is read from attached to its connection, so that rows are copied inside SQLite.
BuildSettings buildSettingsFor(const RepairRun& run, const WideString& readPath) {
    BuildSettings settings;
    TypedPage encoding;
    if (run.source.queryPage(u"PRAGMA encoding", encoding) && encoding.rowCount() == 1) settings.encoding = fromUtf8(encoding.value(0, 0).bytes);
    if (const auto size = run.source.queryInteger(u"PRAGMA page_size")) settings.pageSize = *size;
    settings.autoVacuum = run.source.queryInteger(u"PRAGMA auto_vacuum");
    settings.attachedSource = readPath;
    settings.attachedName = kSourceSchema;
    settings.shortSourceReading = shortFileReadingOf(run);
    return settings;
}

// The run's last step: the rebuilt file takes the source's name, with the source kept as the backup,
// while the source is as it was when its rows were read. Up to three attempts, 3 s apart, then the
// rebuilt file waits beside the source for the user.
WideString swapIn(RepairRun& run, const std::string& sourceVersion, const WideString& tempName) {
    const WideString folder = platform::folderOf(run.sourcePath);
    for (int attempt = 0; attempt < kSwapAttempts; ++attempt) {
        const SourceSwap swap = swapInChecked(run.sourcePath, sourceVersion, tempName);
        if (swap.result == SwapResult::sourceChanged) {
            deleteDatabaseFiles(folder + tempName);
            run.reportFailure(kJobName, kTextSourceChanged, false);
            run.reportMessage(kJobName, kTextRestored);
            return kResultDataAnomaly;
        }
        if (swap.result == SwapResult::swapped) {
            if (!swap.backupMerge.isLogMerged) run.reportMessage(kJobName, kTextBackupLogKept);
            if (!swap.backupMerge.isJournalMerged) run.reportMessage(kJobName, kTextBackupJournalKept);
            run.report(kProgressOfItem, kJobName, 0, 0, kTextFinished);
            return kResultRepaired;
        }
        if (attempt == kSwapAttempts - 1) break;
        platform::waitPumping(kSwapRetryMilliseconds, 1);
        run.reportMessage(kJobName, kTextBusyRetry + decimalText(attempt));
    }
    const WideString repairedName = freeStampedName(folder, kRepairedPrefix);
    // Should even that move fail, the rebuilt file stays under its temporary name, and the line says so.
    const bool moved = moveDatabaseInFolder(folder, tempName, repairedName);
    run.reportMessage(kJobName, kTextSwapByHand);
    run.reportMessage(kJobName, kTextRebuiltKeptAs + (moved ? repairedName : tempName));
    run.rebuiltLeftAt = folder + (moved ? repairedName : tempName);
    return kResultSwapByHand;
}

// Closes both connections when the run ends, whichever way it ends, before the private copy of the
// source they may read is deleted: declared after it.
class ConnectionsClosed {
public:
    ConnectionsClosed(rg_MoKuai_class_sqliteShuJuKu& source, rg_MoKuai_class_sqliteShuJuKu& target) : source(source), target(target) {}
    ConnectionsClosed(const ConnectionsClosed&) = delete;
    ConnectionsClosed& operator=(const ConnectionsClosed&) = delete;
    ~ConnectionsClosed() {
        (void)target.close();   // closing a closed connection is harmless
        (void)source.close();
    }

private:
    rg_MoKuai_class_sqliteShuJuKu& source;
    rg_MoKuai_class_sqliteShuJuKu& target;
};

// Sets the active run for its scope.
class ActiveRunScope {
public:
    explicit ActiveRunScope(RepairRun& run) { setActiveRun(&run); }
    ActiveRunScope(const ActiveRunScope&) = delete;
    ActiveRunScope& operator=(const ActiveRunScope&) = delete;
    ~ActiveRunScope() { setActiveRun(nullptr); }
};

// The run from a path to its result text, all but its setting up.
WideString repairIn(RepairRun& run, const WideString& path) {
    SourceReading source;
    switch (source.check(path)) {
    case SourceReading::Failure::libraryUnusable:
        run.reportFailure(kJobName, kTextLibraryUnusable + sqliteLibraryFile(), false);
        return kResultLibraryUnusable + sqliteLibraryFile();
    case SourceReading::Failure::notFound:
        run.reportMessage(kJobName, kTextNotFound);
        return kResultDatabaseNotFound;
    case SourceReading::Failure::notAFile:
        run.reportFailure(kJobName, kTextNotAFile + path, false);
        return kResultReadError;
    default: break;
    }
    // The real file behind a symbolic link is repaired in its own folder, and the link stays.
    const WideString& sourcePath = source.sourcePath();
    const WideString& folder = source.folder();
    run.sourcePath = sourcePath;

    // Before the private copy: its connection takes in what SQLite reads of the -wal, and a damaged
    // -wal would silently give an older state.
    if (source.log().hasUnreadableCommits) {
        run.reportFailure(kJobName, kTextLogDamaged, false);
        run.reportMessage(kJobName, kTextRestored);
        return kResultDataAnomaly;
    }
    // SQLite's own crash semantics: the rows are read as they were before that transaction.
    if (source.log().hasUnappliedLastCommit) run.reportMessage(kJobName, kTextLastCommitUnapplied);
    const std::string& sourceVersion = source.version();
    switch (source.open()) {
    case SourceReading::Failure::notCopied:
        run.reportFailure(kJobName, kTextNotCopied + causeOf(source.copyError()), false);
        return kResultDataAnomaly;
    case SourceReading::Failure::notRolledBack:
        run.reportFailure(kJobName, kTextJournalNotRolledBack, false);
        run.reportMessage(kJobName, kTextRestored);
        return kResultDataAnomaly;
    default: break;
    }
    run.rolledBackJournal = source.rolledBackJournal();
    run.isSourceCutShort = source.isCutShort();
    platform::FileError creation = platform::FileError::none;
    const WideString tempName = createStampedFile(folder, kTempPrefix, creation);
    if (tempName.empty()) {
        run.reportFailure(kJobName, kTextTempNotCreated + causeOf(creation), false);
        return kResultDataAnomaly;
    }
    const WideString tempPath = folder + tempName;

    const ConnectionsClosed closing(sourceDb, targetDb);
    (void)sourceDb.connectReadOnly(source.readPath(), shortFileReadingOf(run));   // a source that cannot be read fails its schema read
    (void)targetDb.connectForBuilding(tempPath, buildSettingsFor(run, source.readPath()));
    run.report(kProgressOfItem, kJobName, 0, 0, kTextCreatingTemp);

    if (!copySchema(run)) {
        // Nothing of the source is in the rebuilt file yet: it goes, and nothing stays beside the source.
        (void)targetDb.close();
        (void)sourceDb.close();
        deleteDatabaseFiles(tempPath);
        run.reportMessage(kJobName, kTextReadError);
        return kResultReadError;
    }
    run.structureCheck.start(sourceDb, run.tables);
    EarlyFlush earlyFlush;
    const bool copied = copyTables(run, earlyFlush, tempPath);
    // The check reads the source: it ends before the connections close, whatever the copy gave.
    const StructureFindings findings = run.structureCheck.findings();
    const bool trusted = sourceStructureHolds(run, findings) && copied;
    // SQLite reads fewer rows without an error where a b-tree lost pages: a table that came out short
    // while its b-tree is damaged has rows a salvage may save.
    if (!copied && !run.failure.shortTable.empty() && findings.hasDamageIn(run.failure.shortTable)) run.failure.isDamage = true;
    earlyFlush.wait();
    if (trusted && findings.hasFreeSpaceDamage) run.reportMessage(kJobName, kTextFreeSpaceRebuilt);
    (void)targetDb.close();
    (void)sourceDb.close();
    if (!copied || !trusted) {
        deleteDatabaseFiles(tempPath);
        // Rows that another program wrote meanwhile make counts differ too: say what really happened.
        if (databaseVersion(sourcePath) != sourceVersion) {
            run.reportMessage(kJobName, kTextSourceChanged);
            run.failure = RunFailure{kTextSourceChanged, false, {}};
        }
        run.reportMessage(kJobName, kTextRestored);
        return kResultDataAnomaly;
    }
    // The rebuilt file goes to disk before it takes the source's name. A failed flush is tolerated:
    // the damaged file is kept as the backup either way.
    (void)platform::flushFile(tempPath);
    // Who may read and write the file stays as the user set it. Tolerated when refused: the rows are
    // sound either way, and the rebuilt file then has what any new file in the folder gets.
    (void)platform::copyFileProperties(sourcePath, tempPath);
    return swapIn(run, sourceVersion, tempName);
}

}  // namespace

RepairOutcome rg_mk_class_sqliteshjk_xf::runRepair(const WideString& path, const WideString& exemptTables) {
    pageSize = kRowsPerPage;
    RepairRun run(sourceDb, targetDb, pageSize, exemptTables,
                  [this](std::int32_t kind, const WideString& name, std::int32_t total, std::int32_t done, const WideString& text) {
                      repairProgress.raise(*this, kind, name, total, done, text);
                  });
    const ActiveRunScope active(run);
    RepairOutcome outcome;
    outcome.result = repairIn(run, path);
    if (outcome.result.starts_with(kResultSuccessPrefix)) {
        outcome.detail = run.rebuiltLeftAt.empty() ? WideString() : kTextRebuiltKeptAs + run.rebuiltLeftAt;
        return outcome;
    }
    outcome.detail = run.failure.cause;
    outcome.offersSalvage = run.failure.isDamage;
    return outcome;
}

WideString rg_mk_class_sqliteshjk_xf::repairDatabase(const WideString& path, std::int32_t, const WideString& exemptTables) {
    return runRepair(path, exemptTables).result;
}
