// The last step of a job that puts a new database in its source's place: under the named mutex
// that every run on one database shares, and only while the source is as it was when it was read,
// the new file takes the source's name and the source is kept, with its companions, as a backup.
#pragma once

#include <string>

#include "base/wide_string.h"
#include "db/log_merge.h"

enum class SwapResult {
    swapped,
    sourceChanged,   // something was committed to the source after it was read: nothing moved
    sourceInUse,     // another process holds the source or a companion open: nothing moved
};

struct SourceSwap {
    SwapResult result = SwapResult::sourceInUse;
    WideString backupName;      // in the source's folder, when swapped
    CompanionMerge backupMerge;   // whether the backup's -wal and -journal went into its main file
};

// Swaps replacementName (a file in the source's folder) in at sourcePath, the source going to a free
// 原数据库备份-<stamp>.db (swapInRebuilt: a complete database at the path at every moment), when
// databaseVersion(sourcePath) still equals sourceVersion, taken before the source was first read.
// A -wal or a hot -journal that went with the backup is then merged into it (mergeCompanions), so
// that the backup is one file. Nothing is deleted: on a refusal both files are where they were.
SourceSwap swapInChecked(const WideString& sourcePath, const std::string& sourceVersion, const WideString& replacementName);
