// The salvaged database swapped in through the jobs' checked swap, as a repair's rebuilt file is.
#include "salvage/salvaged_swap.h"

#include "jobs/source_swap.h"
#include "platform/platform.h"

namespace {

constexpr char16_t kTextSwapped[] = u"已用抢救数据库代替原数据库。原数据库保存为:";
constexpr char16_t kTextBackupLogKept[] = u"原数据库备份的预写日志未能合并,请将备份与其-wal文件一起保存。";
constexpr char16_t kTextBackupJournalKept[] = u"原数据库备份的回滚日志未能合并,请将备份与其-journal文件一起保存。";
constexpr char16_t kTextNothingSalvaged[] = u"没有可用于代替原数据库的抢救数据库。";
constexpr char16_t kTextNotBeside[] = u"抢救数据库不在原数据库的文件夹中,无法代替原数据库。";
constexpr char16_t kTextInUse[] = u"原数据库正被其他程序使用,未能代替,原数据库没有任何改动。请关闭使用它的程序后手动替换。";
constexpr char16_t kTextChanged[] = u"原数据库在抢救后被修改过,为免丢失新写入的数据,未能代替,原数据库没有任何改动。";
constexpr char16_t kTextSalvagedAt[] = u"抢救数据库保存在:";

}  // namespace

SalvagedSwap useSalvagedDatabase(const SalvageOutcome& outcome) {
    const WideString& sourcePath = outcome.report.source;
    const WideString& salvagedPath = outcome.report.salvaged;
    const auto refused = [&](const WideString& reason) { return SalvagedSwap{false, reason + u"\n" + kTextSalvagedAt + salvagedPath}; };
    if (salvagedPath.empty() || !platform::pathExists(salvagedPath)) return SalvagedSwap{false, kTextNothingSalvaged};
    // The swap renames within one folder, which is what keeps the source's path whole throughout.
    if (platform::folderOf(salvagedPath) != platform::folderOf(sourcePath)) return refused(kTextNotBeside);
    // As a repair's rebuilt file: on the disk before it takes the source's name, with the source's
    // permissions. Both tolerated when refused: the backup is kept either way, and the file then
    // has what any new file in the folder gets.
    (void)platform::flushFile(salvagedPath);
    (void)platform::copyFileProperties(sourcePath, salvagedPath);
    const SourceSwap swap = swapInChecked(sourcePath, outcome.sourceVersion, platform::fileNameOf(salvagedPath));
    if (swap.result == SwapResult::sourceChanged) return refused(kTextChanged);
    if (swap.result == SwapResult::sourceInUse) return refused(kTextInUse);
    WideString text = kTextSwapped + platform::folderOf(sourcePath) + swap.backupName;
    if (!swap.backupMerge.isLogMerged) text += u"\n" + WideString(kTextBackupLogKept);
    if (!swap.backupMerge.isJournalMerged) text += u"\n" + WideString(kTextBackupJournalKept);
    return SalvagedSwap{true, text};
}
