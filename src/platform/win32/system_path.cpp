// Paths past MAX_PATH on Windows: the extended-length form, which every kernel file call takes at
// any length whether or not long paths are switched on.
#include <windows.h>

#include <string>

#include "platform/win32/system_path.h"

namespace platform {

const char* const kSqliteVfs = "win32-longpath";

namespace {

// CreateDirectoryW, the shortest of the limits, keeps 12 characters of MAX_PATH for a file name.
constexpr std::size_t kLongPath = MAX_PATH - 12;

constexpr std::u16string_view kExtendedPrefix = u"\\\\?\\";
constexpr std::u16string_view kDevicePrefix = u"\\\\.\\";
constexpr std::u16string_view kExtendedUncPrefix = u"\\\\?\\UNC\\";

}  // namespace

WideString fullPathOf(const WideString& path) {
    std::wstring full(path.size() + MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(reinterpret_cast<const wchar_t*>(path.c_str()), static_cast<DWORD>(full.size()),
                                              full.data(), nullptr);
        if (length == 0) return {};
        if (length < full.size()) return WideString(full.begin(), full.begin() + length);
        full.resize(length);   // too small: length is the size needed, its terminating zero included
    }
}

WideString systemPath(const WideString& path) {
    if (path.size() < kLongPath || path.starts_with(kExtendedPrefix) || path.starts_with(kDevicePrefix)) return path;
    const WideString full = fullPathOf(path);
    if (full.empty() || full.starts_with(kExtendedPrefix) || full.starts_with(kDevicePrefix)) return path;
    if (full.starts_with(u"\\\\")) return WideString(kExtendedUncPrefix) + full.substr(2);
    return WideString(kExtendedPrefix) + full;
}

}  // namespace platform
