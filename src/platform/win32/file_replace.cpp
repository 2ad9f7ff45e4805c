// Swapping a file for its replacement on Windows so that its name never goes missing: the old
// file first gets a second name (the backup) by a hard link, then the replacement is moved over
// the first name, which the file system does in one step.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/owned_handle.h"
#include "platform/win32/system_path.h"

namespace platform {

namespace {

// Would every other handle on the file let it be replaced? Asking for delete access is how
// Windows answers. SQLite and the C runtime open files without FILE_SHARE_DELETE: a file they
// hold cannot be replaced, and once linked its backup link could not be removed again either, so
// the question comes before anything is changed. Folders are refused here too.
bool isFreeToReplace(const SystemPath& path) {
    const OwnedHandle file(CreateFileW(path.get(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

// Disks without hard links (FAT) get two moves: the old file to the backup, then the replacement
// to the name, so that for a moment there is no file at the name.
bool replaceWithoutLinks(const SystemPath& path, const SystemPath& replacement, const SystemPath& backup,
                         const BeforeReplacing& between) {
    if (!MoveFileW(path.get(), backup.get())) return false;   // never overwrites a taken backup name
    if (between.act()) {
        if (MoveFileExW(replacement.get(), path.get(), MOVEFILE_WRITE_THROUGH)) return true;
        between.undo();
    }
    MoveFileW(backup.get(), path.get());
    return false;
}

// Moves replacement over path. A read-only file refuses to be replaced: its attribute is lifted
// for the move and given back to the old file, which the backup name still holds (the two names
// share the file, and so its attributes).
bool moveOver(const SystemPath& replacement, const SystemPath& path, const SystemPath& backup) {
    const DWORD attributes = GetFileAttributesW(path.get());
    const bool isReadOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (isReadOnly) SetFileAttributesW(path.get(), attributes & ~FILE_ATTRIBUTE_READONLY);
    // Write-through: the move is on the disk when the call returns.
    const bool moved = MoveFileExW(replacement.get(), path.get(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    if (isReadOnly) SetFileAttributesW(moved ? backup.get() : path.get(), attributes);
    return moved;
}

// Gives up the backup name, and the old file keeps its own name alone. A read-only file refuses to
// lose a name too: its attribute is lifted for the deletion and given back through path.
void removeBackupName(const SystemPath& backup, const SystemPath& path) {
    const DWORD attributes = GetFileAttributesW(path.get());
    const bool isReadOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (isReadOnly) SetFileAttributesW(path.get(), attributes & ~FILE_ATTRIBUTE_READONLY);
    DeleteFileW(backup.get());
    if (isReadOnly) SetFileAttributesW(path.get(), attributes);
}

// MOVEFILE_REPLACE_EXISTING is documented for files only, but Wine moves a folder over the file
// all the same; a folder is refused before anything changes.
bool isFolder(const SystemPath& path) {
    const DWORD attributes = GetFileAttributesW(path.get());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool replaceFile(const WideString& path, const WideString& replacement, const WideString& backup, const BeforeReplacing& between) {
    if (path.empty() || replacement.empty() || backup.empty()) return false;
    const SystemPath target(path), incoming(replacement), kept(backup);
    if (isFolder(incoming) || !isFreeToReplace(target)) return false;
    // A hard link never replaces: a taken backup name fails here.
    if (!CreateHardLinkW(kept.get(), target.get(), nullptr)) {
        const DWORD error = GetLastError();
        return (error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED) && replaceWithoutLinks(target, incoming, kept, between);
    }
    if (between.act()) {
        if (moveOver(incoming, target, kept)) return true;
        between.undo();
    }
    // The old file still has its own name. A process that opened it since the question above
    // refuses this too, and the backup link then stays: the one change left behind.
    removeBackupName(kept, target);
    return false;
}

}  // namespace platform
