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

// Disks without hard links (FAT) get ReplaceFileW, which renames the old file to the backup and
// then the replacement to the name, so that for a moment there is no file at the name.
bool replaceWithoutLinks(const WideString& path, const WideString& replacement, const WideString& backup) {
    if (GetFileAttributesW(wide(backup)) != INVALID_FILE_ATTRIBUTES) return false;   // ReplaceFileW would overwrite it
    if (ReplaceFileW(wide(path), wide(replacement), wide(backup), 0, nullptr, nullptr)) return true;
    // This failure leaves the old file under the backup name; it goes back to its own name.
    if (GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) MoveFileW(wide(backup), wide(path));
    return false;
}

// MOVEFILE_REPLACE_EXISTING is documented for files only, but Wine moves a folder over the file
// all the same; a folder is refused before anything changes.
bool isFolder(const WideString& path) {
    const DWORD attributes = GetFileAttributesW(wide(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool replaceFile(const WideString& path, const WideString& replacement, const WideString& backup) {
    if (path.empty() || replacement.empty() || backup.empty() || isFolder(replacement) || !isFreeToReplace(path)) return false;
    // A hard link never replaces: a taken backup name fails here.
    if (!CreateHardLinkW(wide(backup), wide(path), nullptr)) {
        const DWORD error = GetLastError();
        return (error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED) && replaceWithoutLinks(path, replacement, backup);
    }
    // Write-through: the move is on the disk when the call returns.
    if (MoveFileExW(wide(replacement), wide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    // The old file still has its own name. A process that opened it since the question above
    // refuses this too, and the backup link then stays: the one change left behind.
    DeleteFileW(wide(backup));
    return false;
}

}  // namespace platform
