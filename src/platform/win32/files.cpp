// Files and paths on Windows: the shell's path utilities and the kernel's file calls.
#include <windows.h>
#include <shlwapi.h>

#include <vector>

#include "platform/platform.h"
#include "platform/win32/owned_handle.h"

namespace platform {

const char16_t kPathSeparator = u'\\';

namespace {

const wchar_t* wide(const WideString& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

FileError fileErrorOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return FileError::exists;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return FileError::noSpace;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return FileError::noPermission;
    default: return FileError::other;
    }
}

}  // namespace

bool pathExists(const WideString& path) { return PathFileExistsW(wide(path)) != FALSE; }

bool deleteFile(const WideString& path) {
    if (DeleteFileW(wide(path))) return true;
    // DeleteFileW refuses a read-only file, as unlink does not: a rebuilt file that took a read-only
    // source's attributes goes as any other.
    const DWORD attributes = GetFileAttributesW(wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
    return SetFileAttributesW(wide(path), attributes & ~FILE_ATTRIBUTE_READONLY) && DeleteFileW(wide(path));
}

bool flushFile(const WideString& path) {
    const OwnedHandle file(CreateFileW(wide(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && FlushFileBuffers(file.get()) != FALSE;
}

bool moveFile(const WideString& from, const WideString& to) { return MoveFileW(wide(from), wide(to)) != FALSE; }

FileError createNewFile(const WideString& path) {
    const OwnedHandle file(CreateFileW(wide(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file ? FileError::none : fileErrorOf(GetLastError());
}

WideString temporaryFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) return {};
    return WideString(reinterpret_cast<const char16_t*>(folder), length);
}

FileError createNewFolder(const WideString& path) {
    if (path.empty()) return FileError::other;
    return CreateDirectoryW(wide(path), nullptr) != FALSE ? FileError::none : fileErrorOf(GetLastError());
}

bool deleteFolder(const WideString& path) { return !path.empty() && RemoveDirectoryW(wide(path)) != FALSE; }

FileError copyFile(const WideString& from, const WideString& to) {
    // Every sharing mode, as the program that has the database open (SQLite shares reading and
    // writing) must not be refused, nor refuse this.
    const OwnedHandle in(CreateFileW(wide(from), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in) return FileError::other;
    OwnedHandle out(CreateFileW(wide(to), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return fileErrorOf(GetLastError());
    constexpr DWORD kChunk = 1 << 20;
    std::vector<char> buffer(kChunk);
    DWORD error = ERROR_SUCCESS;
    for (;;) {
        DWORD read = 0;
        if (ReadFile(in.get(), buffer.data(), kChunk, &read, nullptr) == FALSE) {
            error = GetLastError();
            break;
        }
        if (read == 0) break;
        DWORD written = 0;
        if (WriteFile(out.get(), buffer.data(), read, &written, nullptr) == FALSE || written != read) {
            error = GetLastError();
            if (error == ERROR_SUCCESS) error = ERROR_DISK_FULL;
            break;
        }
    }
    out = OwnedHandle();
    if (error == ERROR_SUCCESS) return FileError::none;
    (void)DeleteFileW(wide(to));
    return fileErrorOf(error);
}

WideString fileExtensionOf(const WideString& path) {
    const wchar_t* extension = PathFindExtensionW(wide(path));
    if (*extension == L'.') ++extension;
    return WideString(reinterpret_cast<const char16_t*>(extension));
}

}  // namespace platform
