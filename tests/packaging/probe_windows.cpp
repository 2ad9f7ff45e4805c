// package_probe's reading of another process's windows.
#include "probe_windows.h"

#include "base/wide_string.h"

void report(const char* name, const std::wstring& value) {
    const std::string line = std::string(name) + ": " +
                             toUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(value.data()), value.size())) +
                             "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::wstring textOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                        &copied);
    text.resize(copied);
    for (wchar_t& unit : text)
        if (unit == L'\r' || unit == L'\n') unit = L' ';
    return text;
}

std::wstring classOf(HWND window) {
    wchar_t name[256] = {};
    return std::wstring(name, static_cast<size_t>(GetClassNameW(window, name, 256)));
}

namespace {

BOOL CALLBACK collect(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> childrenOf(HWND window) {
    std::vector<HWND> children;
    EnumChildWindows(window, collect, reinterpret_cast<LPARAM>(&children));
    return children;
}

std::vector<HWND> visibleWindowsOf(DWORD processId) {
    std::vector<HWND> windows;
    EnumWindows(collect, reinterpret_cast<LPARAM>(&windows));
    std::vector<HWND> visible;
    for (HWND window : windows) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && IsWindowVisible(window)) visible.push_back(window);
    }
    return visible;
}

HWND waitFor(const std::function<HWND()>& find) {
    const ULONGLONG deadline = GetTickCount64() + kWaitMs;
    for (;;) {
        if (HWND window = find()) return window;
        if (GetTickCount64() >= deadline) return nullptr;
        Sleep(50);
    }
}
