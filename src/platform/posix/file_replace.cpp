// Swapping a file for its replacement on Linux so that its name never goes missing: the old file
// first gets a second name (the backup) by a hard link, then the replacement is renamed over the
// first name, which the kernel does in one step.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/file_holders.h"
#include "platform/posix/owned_descriptor.h"

namespace platform {

namespace {

// The folder holding name: the text before its last separator, "." for a bare name.
std::string folderHolding(const std::string& name) {
    const std::size_t last = name.rfind('/');
    if (last == std::string::npos) return ".";
    return last == 0 ? "/" : name.substr(0, last);
}

// Puts the folders' entries on the disk, each folder once.
void flushFolders(const std::vector<std::string>& names) {
    std::vector<std::string> flushed;
    for (const std::string& name : names) {
        const std::string folder = folderHolding(name);
        if (std::find(flushed.begin(), flushed.end(), folder) != flushed.end()) continue;
        flushed.push_back(folder);
        const OwnedDescriptor descriptor(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        // A folder that cannot be flushed keeps its renames: undoing them for that would be worse.
        if (descriptor) (void)fsync(descriptor.get());
    }
}

// Filesystems without hard links (FAT) get two renames instead: between them the name is
// missing for a moment, which no other way avoids there.
bool swapByRenames(const std::string& target, const std::string& replacement, const std::string& backup,
                   const BeforeReplacing& between) {
    // Onto a free name rename would move a folder too, which the one-step swap refuses.
    struct stat status {};
    if (lstat(replacement.c_str(), &status) != 0 || S_ISDIR(status.st_mode)) return false;
    if (renameat2(AT_FDCWD, target.c_str(), AT_FDCWD, backup.c_str(), RENAME_NOREPLACE) != 0) return false;
    if (between.act()) {
        if (rename(replacement.c_str(), target.c_str()) == 0) return true;
        between.undo();
    }
    // The name was free a moment ago; if someone took it meanwhile the old file stays the backup.
    (void)renameat2(AT_FDCWD, backup.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
    return false;
}

bool isMissingHardLinks(int error) { return error == EPERM || error == EXDEV || error == ENOTSUP || error == EOPNOTSUPP; }

}  // namespace

bool replaceFile(const WideString& path, const WideString& replacement, const WideString& backup, const BeforeReplacing& between) {
    if (path.empty() || replacement.empty() || backup.empty()) return false;
    const std::string target = toUtf8(path);
    const std::string replacementName = toUtf8(replacement);
    const std::string backupName = toUtf8(backup);
    struct stat status {};
    if (lstat(target.c_str(), &status) != 0 || S_ISDIR(status.st_mode)) return false;
    if (isOpenInOtherProcess(status)) return false;

    // link() never replaces: a taken backup name fails here with EEXIST.
    if (link(target.c_str(), backupName.c_str()) == 0) {
        if (!between.act()) {
            unlink(backupName.c_str());   // the old file still has its own name
            return false;
        }
        if (rename(replacementName.c_str(), target.c_str()) != 0) {
            between.undo();
            unlink(backupName.c_str());
            return false;
        }
    } else if (!isMissingHardLinks(errno) || !swapByRenames(target, replacementName, backupName, between)) {
        return false;
    }
    flushFolders({target, backupName, replacementName});
    return true;
}

}  // namespace platform
