// Run-time libraries on Windows: LoadLibraryW, with bare names found in the SetDllDirectoryW folder.
#include <windows.h>

#include <cstring>

#include "platform/platform.h"

namespace platform {

const char16_t* const kLibrarySuffix = u".dll";

namespace {

const wchar_t* wide(const WideString& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

}  // namespace

Library& Library::operator=(Library&& other) noexcept {
    if (this != &other) {
        if (handle) FreeLibrary(static_cast<HMODULE>(handle));
        handle = other.handle;
        other.handle = nullptr;
    }
    return *this;
}

Library::~Library() {
    if (handle) FreeLibrary(static_cast<HMODULE>(handle));
}

Library Library::load(const WideString& name) {
    Library library;
    if (!name.empty()) library.handle = LoadLibraryW(wide(name));
    return library;
}

void* Library::symbol(const char* name) const {
    if (!handle) return nullptr;
    const FARPROC address = GetProcAddress(static_cast<HMODULE>(handle), name);
    void* pointer = nullptr;
    static_assert(sizeof pointer == sizeof address);
    std::memcpy(&pointer, &address, sizeof pointer);   // a function address handed out untyped
    return pointer;
}

void setLibraryFolder(const WideString& folder) { SetDllDirectoryW(wide(folder)); }

WideString executableFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return WideString(1, kPathSeparator);
        if (length < path.size()) {
            path.resize(length);
            return folderOf(WideString(path.begin(), path.end()));
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace platform
