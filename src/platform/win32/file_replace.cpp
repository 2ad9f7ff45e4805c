// Swapping a file for its replacement on Windows so that its name never goes missing: the old
// file first gets a second name (the backup) by a hard link, then the replacement is moved over
// the first name, which the file system does in one step.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/owned_handle.h"

namespace platform {

namespace {

const wchar_t* wide(const WideString& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// Would every other handle on the file let it be replaced? Asking for delete access is how
// Windows answers. SQLite and the C runtime open files without FILE_SHARE_DELETE: a file they
// hold cannot be replaced, and once linked its backup link could not be removed again either, so
// the question comes before anything is changed. Folders are refused here too.
bool isFreeToReplace(const WideString& path) {
    const OwnedHandle file(CreateFileW(wide(path), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

// Disks without hard links (FAT) get two moves: the old file to the backup, then the replacement
// to the name, so that for a moment there is no file at the name.
bool replaceWithoutLinks(const WideString& path, const WideString& replacement, const WideString& backup,
                         const BeforeReplacing& between) {
    if (!MoveFileW(wide(path), wide(backup))) return false;   // never overwrites a taken backup name
    if (between.act()) {
        if (MoveFileExW(wide(replacement), wide(path), MOVEFILE_WRITE_THROUGH)) return true;
        between.undo();
    }
    MoveFileW(wide(backup), wide(path));
    return false;
}

// Moves replacement over path. A read-only file refuses to be replaced: its attribute is lifted
// for the move and given back to the old file, which the backup name still holds (the two names
// share the file, and so its attributes).
bool moveOver(const WideString& replacement, const WideString& path, const WideString& backup) {
    const DWORD attributes = GetFileAttributesW(wide(path));
    const bool isReadOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (isReadOnly) SetFileAttributesW(wide(path), attributes & ~FILE_ATTRIBUTE_READONLY);
    // Write-through: the move is on the disk when the call returns.
    const bool moved = MoveFileExW(wide(replacement), wide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    if (isReadOnly) SetFileAttributesW(wide(moved ? backup : path), attributes);
    return moved;
}

// Gives up the backup name, and the old file keeps its own name alone. A read-only file refuses to
// lose a name too: its attribute is lifted for the deletion and given back through path.
void removeBackupName(const WideString& backup, const WideString& path) {
    const DWORD attributes = GetFileAttributesW(wide(path));
    const bool isReadOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (isReadOnly) SetFileAttributesW(wide(path), attributes & ~FILE_ATTRIBUTE_READONLY);
    DeleteFileW(wide(backup));
    if (isReadOnly) SetFileAttributesW(wide(path), attributes);
}

// MOVEFILE_REPLACE_EXISTING is documented for files only, but Wine moves a folder over the file
// all the same; a folder is refused before anything changes.
bool isFolder(const WideString& path) {
    const DWORD attributes = GetFileAttributesW(wide(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool replaceFile(const WideString& path, const WideString& replacement, const WideString& backup, const BeforeReplacing& between) {
    if (path.empty() || replacement.empty() || backup.empty() || isFolder(replacement) || !isFreeToReplace(path)) return false;
    // A hard link never replaces: a taken backup name fails here.
    if (!CreateHardLinkW(wide(backup), wide(path), nullptr)) {
        const DWORD error = GetLastError();
        return (error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED) && replaceWithoutLinks(path, replacement, backup, between);
    }
    if (between.act()) {
        if (moveOver(replacement, path, backup)) return true;
        between.undo();
    }
    // The old file still has its own name. A process that opened it since the question above
    // refuses this too, and the backup link then stays: the one change left behind.
    removeBackupName(backup, path);
    return false;
}

}  // namespace platform
