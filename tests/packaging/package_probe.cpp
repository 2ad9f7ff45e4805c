// Looks at an installed or unpacked Dovrane from outside, as its user would see it, for the package
// tests. Prints one fact a line, "name: value" in UTF-8, and exits with 1 when something it waits
// for does not come.
//   package_probe shortcut LINK     the program a shortcut starts
//   package_probe start PROGRAM     starts PROGRAM; its start-up box (caption and text), answered
//                                   with OK; the title of the window that follows; the program's
//                                   file version; the exit code after the window's system close
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "base/wide_string.h"

namespace {

constexpr int kTitleLabelId = 106;
constexpr DWORD kWaitMs = 30000;

void report(const char* name, const std::wstring& value) {
    const std::string line = std::string(name) + ": " +
                             toUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(value.data()), value.size())) +
                             "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// WM_GETTEXT, since GetWindowTextW does not read the controls of another process.
std::wstring textOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                        &copied);
    text.resize(copied);
    return text;
}

std::wstring classOf(HWND window) {
    wchar_t name[256] = {};
    return std::wstring(name, static_cast<size_t>(GetClassNameW(window, name, 256)));
}

BOOL CALLBACK collect(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// A visible top-level window of the process that is a message box, or that is not one.
HWND visibleWindowOf(DWORD processId, bool messageBox) {
    std::vector<HWND> windows;
    EnumWindows(collect, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && IsWindowVisible(window) && (classOf(window) == L"#32770") == messageBox)
            return window;
    }
    return nullptr;
}

// Null when none has come within kWaitMs.
HWND waitForWindow(DWORD processId, bool messageBox) {
    const ULONGLONG deadline = GetTickCount64() + kWaitMs;
    for (;;) {
        if (HWND window = visibleWindowOf(processId, messageBox)) return window;
        if (GetTickCount64() >= deadline) return nullptr;
        Sleep(50);
    }
}

std::vector<HWND> childrenOf(HWND window) {
    std::vector<HWND> children;
    EnumChildWindows(window, collect, reinterpret_cast<LPARAM>(&children));
    return children;
}

// The message of a message box is its one static control with text.
std::wstring boxMessage(HWND box) {
    for (HWND child : childrenOf(box)) {
        if (classOf(child) != L"Static") continue;
        std::wstring text = textOf(child);
        if (!text.empty()) return text;
    }
    return {};
}

std::wstring fileVersion(const std::wstring& path) {
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    std::vector<unsigned char> block(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!size || !GetFileVersionInfoW(path.c_str(), 0, size, block.data()) ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length))
        return L"none";
    return std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(fixed->dwFileVersionMS)) +
           L"." + std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." + std::to_wstring(LOWORD(fixed->dwFileVersionLS));
}

int showShortcut(const std::wstring& link) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* shortcut = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shortcut))))
        return 1;
    IPersistFile* file = nullptr;
    wchar_t target[MAX_PATH] = {};
    const bool read = SUCCEEDED(shortcut->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                      SUCCEEDED(file->Load(link.c_str(), STGM_READ)) &&
                      SUCCEEDED(shortcut->GetPath(target, MAX_PATH, nullptr, 0));
    if (file) file->Release();
    shortcut->Release();
    if (!read) return 1;
    report("target", target);
    return 0;
}

int startProgram(const std::wstring& program) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        report("started", L"no");
        return 1;
    }
    CloseHandle(process.hThread);
    const auto fail = [&](const wchar_t* what) {
        report("missing", what);
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hProcess);
        return 1;
    };

    const HWND box = waitForWindow(process.dwProcessId, true);
    if (!box) return fail(L"start-up box");
    report("box caption", textOf(box));
    report("box text", boxMessage(box));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));

    const HWND window = waitForWindow(process.dwProcessId, false);
    if (!window) return fail(L"window");
    report("window", textOf(window));
    for (HWND child : childrenOf(window))
        if (GetDlgCtrlID(child) == kTitleLabelId) report("title", textOf(child));
    report("file version", fileVersion(program));

    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (WaitForSingleObject(process.hProcess, kWaitMs) != WAIT_OBJECT_0) return fail(L"exit");
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    report("exit code", std::to_wstring(exitCode));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring role = argc == 3 ? argv[1] : L"";
    if (role == L"shortcut") return showShortcut(argv[2]);
    if (role == L"start") return startProgram(argv[2]);
    report("usage", L"package_probe shortcut LINK | start PROGRAM");
    return 2;
}
