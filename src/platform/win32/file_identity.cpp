// Which file a path leads to on Windows, and which version of it is there now.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/win32/owned_handle.h"
#include "platform/win32/system_path.h"

namespace platform {

namespace {

// Opens a file or folder only to ask about it, which no other handle's sharing refuses.
OwnedHandle openToQuery(const WideString& path) {
    return OwnedHandle(CreateFileW(SystemPath(path).get(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// The path the system reached the file by, links followed, as a DOS path: "\\?\C:\..." loses its
// prefix and "\\?\UNC\server\share\..." becomes "\\server\share\...". Empty on failure.
WideString finalPathOf(HANDLE file) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(length);   // too small: length is the size needed, its terminating zero included
    }
    constexpr std::wstring_view kUncPrefix = L"\\\\?\\UNC\\";
    constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
    std::wstring_view text = path;
    std::wstring plain;
    if (text.starts_with(kUncPrefix)) {
        plain = L"\\\\";
        plain += text.substr(kUncPrefix.size());
    } else if (text.starts_with(kLongPrefix)) {
        plain = text.substr(kLongPrefix.size());
    } else {
        plain = text;
    }
    return WideString(plain.begin(), plain.end());
}

// The decimal text of a 64-bit number that Windows hands out in two halves.
std::string numberText(DWORD high, DWORD low) { return std::to_string((std::uint64_t{high} << 32) | low); }

}  // namespace

WideString resolvedPath(const WideString& path) {
    if (path.empty()) return {};
    if (const OwnedHandle file = openToQuery(path)) {
        const WideString final = finalPathOf(file.get());
        if (!final.empty()) return final;
    }
    const WideString full = fullPathOf(path);
    return full.empty() ? path : full;
}

std::string fileVersion(const WideString& path) {
    if (path.empty()) return {};
    const OwnedHandle file = openToQuery(path);
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file || !GetFileInformationByHandle(file.get(), &information)) return {};
    return std::to_string(information.dwVolumeSerialNumber) + ":" + numberText(information.nFileIndexHigh, information.nFileIndexLow) +
           ":" + numberText(information.nFileSizeHigh, information.nFileSizeLow) + ":" +
           numberText(information.ftLastWriteTime.dwHighDateTime, information.ftLastWriteTime.dwLowDateTime);
}

}  // namespace platform
