// Files and paths on Windows: the shell's path utilities and the kernel's file calls.
#include <windows.h>
#include <shlwapi.h>

#include <vector>

#include "platform/platform.h"
#include "platform/win32/owned_handle.h"
#include "platform/win32/system_path.h"

namespace platform {

const char16_t kPathSeparator = u'\\';

namespace {

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

// PathFileExistsW's own test, which it does not make past MAX_PATH: the attributes can be read,
// with the system's box for a drive without a disk off.
bool pathExists(const WideString& path) {
    DWORD errorMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS, &errorMode);
    const bool exists = GetFileAttributesW(SystemPath(path).get()) != INVALID_FILE_ATTRIBUTES;
    SetThreadErrorMode(errorMode, nullptr);
    return exists;
}

bool deleteFile(const WideString& path) {
    const SystemPath name(path);
    if (DeleteFileW(name.get())) return true;
    // DeleteFileW refuses a read-only file, as unlink does not: a rebuilt file that took a read-only
    // source's attributes goes as any other.
    const DWORD attributes = GetFileAttributesW(name.get());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
    return SetFileAttributesW(name.get(), attributes & ~FILE_ATTRIBUTE_READONLY) && DeleteFileW(name.get());
}

bool flushFile(const WideString& path) {
    const OwnedHandle file(CreateFileW(SystemPath(path).get(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && FlushFileBuffers(file.get()) != FALSE;
}

bool moveFile(const WideString& from, const WideString& to) { return MoveFileW(SystemPath(from).get(), SystemPath(to).get()) != FALSE; }

FileError createNewFile(const WideString& path) {
    const OwnedHandle file(CreateFileW(SystemPath(path).get(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
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
    return CreateDirectoryW(SystemPath(path).get(), nullptr) != FALSE ? FileError::none : fileErrorOf(GetLastError());
}

bool deleteFolder(const WideString& path) { return !path.empty() && RemoveDirectoryW(SystemPath(path).get()) != FALSE; }

FileError copyFile(const WideString& from, const WideString& to) {
    // Every sharing mode, as the program that has the database open (SQLite shares reading and
    // writing) must not be refused, nor refuse this.
    const OwnedHandle in(CreateFileW(SystemPath(from).get(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in) return FileError::other;
    OwnedHandle out(CreateFileW(SystemPath(to).get(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
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
    (void)DeleteFileW(SystemPath(to).get());
    return fileErrorOf(error);
}

WideString fileExtensionOf(const WideString& path) {
    const wchar_t* extension = PathFindExtensionW(reinterpret_cast<const wchar_t*>(path.c_str()));
    if (*extension == L'.') ++extension;
    return WideString(reinterpret_cast<const char16_t*>(extension));
}

}  // namespace platform
