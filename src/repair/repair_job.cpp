// The repair run: connect both databases, transfer the schema, copy every table, finish the schema,
// then swap the rebuilt file in with the damaged one kept as a backup.
#include "repair/repair_job.h"

#include "platform/platform.h"
#include "repair/database_files.h"
#include "repair/exempt_tables.h"
#include "repair/process_objects.h"
#include "repair/result_texts.h"
#include "repair/schema_transfer.h"
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
constexpr char16_t kTextFinished[] = u"修复完毕";

constexpr int kSwapAttempts = 3;
constexpr std::uint64_t kSwapRetryMilliseconds = 3000;

}  // namespace

WideString rg_mk_class_sqliteshjk_xf::repairDatabase(const WideString& path, std::int32_t, const WideString& exemptTables) {
    pageSize = kRowsPerPage;
    const auto report = [this](std::int32_t kind, const char16_t* text) { repairProgress.raise(*this, kind, kJobName, 0, 0, text); };
    if (!platform::pathExists(path)) {
        report(1, kTextNotFound);
        return kResultDatabaseNotFound;
    }
    // A path relative to the current folder has no folder part of its own: without this, the
    // temporary file would land in the root folder and the swap would look for the source there.
    const WideString sourcePath = fullPathOf(path);
    const WideString folder = platform::folderOf(sourcePath);
    const WideString sourceName = platform::fileNameOf(sourcePath);
    const WideString tempName = tempDatabaseName();
    const WideString tempPath = folder + tempName;

    (void)sourceDb.connect(sourcePath);
    (void)targetDb.connect(tempPath, WideString(), kTargetSyncChoice);
    report(2, kTextCreatingTemp);

    StringArray tables;
    if (!copySchema(tables)) {
        report(1, kTextReadError);
        return kResultReadError;
    }
    bool copied = true;
    for (const WideString& table : tables) {
        if (!copyTable(table, isExemptTable(exemptTables, table) ? 1 : 0)) {
            copied = false;
            break;
        }
    }
    // Views and triggers come after the rows, so that no trigger fires while rows are copied.
    if (copied) copied = copyLateSchema();
    if (!copied) {
        (void)targetDb.close();
        (void)sourceDb.close();
        deleteDatabaseFiles(tempPath);
        report(1, kTextRestored);
        return kResultDataAnomaly;
    }
    (void)targetDb.close();
    (void)sourceDb.close();
    // The rebuilt file goes to disk before it takes the source's name. A failed flush is tolerated:
    // the damaged file is kept as the backup either way.
    (void)platform::flushFile(tempPath);

    for (int attempt = 0; attempt < kSwapAttempts; ++attempt) {
        // Moves never overwrite, so a backup left by an earlier run is never lost.
        if (moveDatabaseInFolder(folder, sourceName, backupDatabaseName())) {
            if (moveDatabaseInFolder(folder, tempName, sourceName)) {
                report(2, kTextFinished);
                return kResultRepaired;
            }
            break;   // something took the source's name meanwhile: leave the rebuilt file for the user
        }
        if (attempt == kSwapAttempts - 1) break;
        platform::waitPumping(kSwapRetryMilliseconds, 1);
        repairProgress.raise(*this, 1, kJobName, 0, 0, kTextBusyRetry + decimalText(attempt));
    }
    (void)moveDatabaseInFolder(folder, tempName, repairedDatabaseName());
    report(1, kTextSwapByHand);
    return kResultSwapByHand;
}
