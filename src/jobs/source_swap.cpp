// The checked swap: the version compared and the files swapped under one hold of the mutex, so that
// two runs on one database never swap at once and no commit slips in between.
#include "jobs/source_swap.h"

#include "jobs/database_files.h"
#include "platform/platform.h"

namespace {

// The mutex that lets one run at a time check the source and swap it, across processes.
WideString swapMutexName(const WideString& sourcePath) { return asciiText(platform::md5Hex(utf8WithZero(sourcePath))) + u"swap"; }

}  // namespace

SourceSwap swapInChecked(const WideString& sourcePath, const std::string& sourceVersion, const WideString& replacementName) {
    const WideString folder = platform::folderOf(sourcePath);
    platform::NamedMutex swapMutex;
    (void)swapMutex.create(swapMutexName(sourcePath));   // without it, the version check still runs
    swapMutex.acquire();
    SourceSwap swap;
    // Rows another program wrote since the source was read would live on only in the backup.
    if (databaseVersion(sourcePath) != sourceVersion) {
        swap.result = SwapResult::sourceChanged;
    } else {
        // A backup left by an earlier run is never overwritten: the name is a free one.
        const WideString backupName = freeStampedName(folder, kBackupPrefix);
        if (swapInRebuilt(folder, platform::fileNameOf(sourcePath), replacementName, backupName)) {
            swap.result = SwapResult::swapped;
            swap.backupName = backupName;
        }
    }
    swapMutex.release();
    // A backup without its -wal would lack the newest commits, and one without its hot -journal
    // would hold half a transaction. No one but this run knows its name yet, so letting SQLite
    // write the companions' own pages into it disturbs no program.
    if (swap.result == SwapResult::swapped) swap.backupMerge = mergeCompanions(folder + swap.backupName);
    return swap;
}
