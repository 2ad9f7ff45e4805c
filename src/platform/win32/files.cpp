// Files and paths on Windows: the shell's path utilities and the kernel's file calls.
#include <windows.h>
#include <shlwapi.h>

#include "platform/platform.h"
#include "platform/win32/owned_handle.h"

namespace platform {

const char16_t kPathSeparator = u'\\';

namespace {

const wchar_t* wide(const WideString& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

}  // namespace

bool pathExists(const WideString& path) { return PathFileExistsW(wide(path)) != FALSE; }

bool deleteFile(const WideString& path) { return DeleteFileW(wide(path)) != FALSE; }

bool flushFile(const WideString& path) {
    const OwnedHandle file(CreateFileW(wide(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && FlushFileBuffers(file.get()) != FALSE;
}

bool moveFile(const WideString& from, const WideString& to) { return MoveFileW(wide(from), wide(to)) != FALSE; }

FileError createNewFile(const WideString& path) {
    const OwnedHandle file(CreateFileW(wide(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return FileError::none;
    switch (GetLastError()) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return FileError::exists;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return FileError::noSpace;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return FileError::noPermission;
    default: return FileError::other;
    }
}

WideString fileExtensionOf(const WideString& path) {
    const wchar_t* extension = PathFindExtensionW(wide(path));
    if (*extension == L'.') ++extension;
    return WideString(reinterpret_cast<const char16_t*>(extension));
}

}  // namespace platform
