// Looks at an installed or unpacked Dovrane from outside, as its user would see it, for the package
// tests. Prints one fact a line, "name: value" in UTF-8, and exits with 1 when something it waits
// for does not come.
//   package_probe shortcut LINK     the program a shortcut starts
//   package_probe start PROGRAM     starts PROGRAM; its start-up box (caption and text), answered
//                                   with OK; the title of the window that follows; the program's
//                                   file version; the exit code after the window's system close
//   package_probe running NAME      the same for a program that something else started, found by
//                                   its file name (Dovrane.exe)
//   package_probe version FILE      the file version and the product version of FILE's resource
//   package_probe setup SETUP STEP...   runs an installer and answers it (setup_walk.cpp)
#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cwchar>
#include <string>
#include <vector>

#include "probe_windows.h"
#include "setup_walk.h"

namespace {

constexpr int kTitleLabelId = 106;

// A visible top-level window of the process that is a message box, or that is not one.
HWND visibleWindowOf(DWORD processId, bool messageBox) {
    for (HWND window : visibleWindowsOf(processId))
        if ((classOf(window) == L"#32770") == messageBox) return window;
    return nullptr;
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

std::wstring versionText(DWORD mostSignificant, DWORD leastSignificant) {
    return std::to_wstring(HIWORD(mostSignificant)) + L"." + std::to_wstring(LOWORD(mostSignificant)) + L"." +
           std::to_wstring(HIWORD(leastSignificant)) + L"." + std::to_wstring(LOWORD(leastSignificant));
}

// The version resource's block; empty when the file has none.
std::vector<unsigned char> versionBlock(const std::wstring& path) {
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    std::vector<unsigned char> block(size);
    if (!size || !GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return {};
    return block;
}

std::wstring fileVersion(const std::wstring& path) {
    std::vector<unsigned char> block = versionBlock(path);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (block.empty() || !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length))
        return L"none";
    return versionText(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
}

// The ProductVersion text of the resource's first language.
std::wstring productVersion(const std::wstring& path) {
    std::vector<unsigned char> block = versionBlock(path);
    struct Translation { WORD language, codePage; }* translations = nullptr;
    UINT length = 0;
    if (block.empty() ||
        !VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &length) ||
        length < sizeof(Translation))
        return L"none";
    wchar_t key[64];
    swprintf(key, 64, L"\\StringFileInfo\\%04x%04x\\ProductVersion", translations->language, translations->codePage);
    wchar_t* value = nullptr;
    if (!VerQueryValueW(block.data(), key, reinterpret_cast<void**>(&value), &length) || !length) return L"none";
    return value;
}

int showVersion(const std::wstring& path) {
    report("file version", fileVersion(path));
    report("product version", productVersion(path));
    return 0;
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

// The start-up box, the window and the exit of a started Dovrane; takes the process handle.
int watchProgram(HANDLE process, DWORD processId, const std::wstring& program) {
    const auto fail = [&](const wchar_t* what) {
        report("missing", what);
        TerminateProcess(process, 1);
        CloseHandle(process);
        return 1;
    };

    const HWND box = waitFor([&] { return visibleWindowOf(processId, true); });
    if (!box) return fail(L"start-up box");
    report("box caption", textOf(box));
    report("box text", boxMessage(box));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));

    const HWND window = waitFor([&] { return visibleWindowOf(processId, false); });
    if (!window) return fail(L"window");
    report("window", textOf(window));
    for (HWND child : childrenOf(window))
        if (GetDlgCtrlID(child) == kTitleLabelId) report("title", textOf(child));
    report("file version", fileVersion(program));

    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (WaitForSingleObject(process, kWaitMs) != WAIT_OBJECT_0) return fail(L"exit");
    DWORD exitCode = 0;
    GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    report("exit code", std::to_wstring(exitCode));
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
    return watchProgram(process.hProcess, process.dwProcessId, program);
}

// The id of a running process with that file name, 0 when there is none.
DWORD processNamed(const std::wstring& name) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry))
        if (_wcsicmp(entry.szExeFile, name.c_str()) == 0) found = entry.th32ProcessID;
    CloseHandle(snapshot);
    return found;
}

int watchRunningProgram(const std::wstring& name) {
    DWORD processId = 0;
    const ULONGLONG deadline = GetTickCount64() + kWaitMs;
    while (!(processId = processNamed(name)) && GetTickCount64() < deadline) Sleep(50);
    const HANDLE process = processId ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE,
                                                   FALSE, processId)
                                     : nullptr;
    if (!process) {
        report("running", L"no");
        return 1;
    }
    wchar_t path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    QueryFullProcessImageNameW(process, 0, path, &length);
    return watchProgram(process, processId, path);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring role = argc >= 3 ? argv[1] : L"";
    if (role == L"shortcut" && argc == 3) return showShortcut(argv[2]);
    if (role == L"start" && argc == 3) return startProgram(argv[2]);
    if (role == L"running" && argc == 3) return watchRunningProgram(argv[2]);
    if (role == L"version" && argc == 3) return showVersion(argv[2]);
    if (role == L"setup") return walkSetup(argv[2], std::vector<std::wstring>(argv + 3, argv + argc));
    report("usage", L"package_probe shortcut LINK | start PROGRAM | running NAME | version FILE | setup SETUP STEP...");
    return 2;
}
