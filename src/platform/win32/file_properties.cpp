// What a file is besides its bytes on Windows: its type, its attributes and its security descriptor.
#include <windows.h>

#include <vector>

#include "platform/platform.h"
#include "platform/win32/owned_handle.h"
#include "platform/win32/system_path.h"

namespace platform {

namespace {

// The attributes a user sets on a file; the others (compressed, sparse, ...) belong to how the
// file is stored, which the new file decides for itself.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Gives to the file at to the owner, group and access list of the file at from, as ReplaceFileW
// does. Only a process with the restore right may set another owner: without it the access list
// and group go alone. Tolerated when even that fails: the new file then has the access its folder
// gives, as any file the user makes there.
void copySecurity(const WideString& from, const WideString& to) {
    const SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    const SystemPath source(from), target(to);
    DWORD needed = 0;
    (void)GetFileSecurityW(source.get(), parts, nullptr, 0, &needed);   // asks the size only
    if (needed == 0) return;
    std::vector<BYTE> descriptor(needed);
    if (!GetFileSecurityW(source.get(), parts, descriptor.data(), needed, &needed)) return;
    if (SetFileSecurityW(target.get(), parts, descriptor.data())) return;
    (void)SetFileSecurityW(target.get(), GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor.data());
}

}  // namespace

bool isRegularFile(const WideString& path) {
    const SystemPath name(path);
    const DWORD attributes = GetFileAttributesW(name.get());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) return false;
    // Names such as NUL, CON or \\.\pipe\... lead to devices and pipes, which only an open handle tells.
    const OwnedHandle file(CreateFileW(name.get(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    return file && GetFileType(file.get()) == FILE_TYPE_DISK && GetFileInformationByHandle(file.get(), &information) &&
           (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool copyFileProperties(const WideString& from, const WideString& to) {
    const SystemPath target(to);
    const DWORD attributes = GetFileAttributesW(SystemPath(from).get());
    if (attributes == INVALID_FILE_ATTRIBUTES || GetFileAttributesW(target.get()) == INVALID_FILE_ATTRIBUTES) return false;
    copySecurity(from, to);
    const DWORD kept = attributes & kKeptAttributes;
    return SetFileAttributesW(target.get(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL) != FALSE;
}

}  // namespace platform
