// Drives an NSIS installer's wizard from outside: its outer window holds the buttons (下一步 is
// IDOK, 取消 IDCANCEL) and one page, a dialog of its own that is made anew for every page.
#include "setup_walk.h"

#include <windows.h>

#include "probe_windows.h"

namespace {

constexpr wchar_t kDialogClass[] = L"#32770";

// The page a wizard shows, or null for a window that is not a wizard (a message box).
HWND pageOf(HWND window) {
    for (HWND child : childrenOf(window))
        if (classOf(child) == kDialogClass && IsWindowVisible(child)) return child;
    return nullptr;
}

HWND messageBoxOf(DWORD processId) {
    for (HWND window : visibleWindowsOf(processId))
        if (classOf(window) == kDialogClass && !pageOf(window)) return window;
    return nullptr;
}

HWND wizardOf(DWORD processId) {
    for (HWND window : visibleWindowsOf(processId))
        if (classOf(window) == kDialogClass && pageOf(window)) return window;
    return nullptr;
}

bool hasProgressBar(HWND page) {
    for (HWND child : childrenOf(page))
        if (classOf(child) == L"msctls_progress32" && IsWindowVisible(child)) return true;
    return false;
}

// The colour of a picture control, read from the screen a few pixels inside its corner, once two
// readings 200 ms apart agree (the page has been painted).
std::wstring pictureColour(HWND picture) {
    POINT corner{4, 4};
    ClientToScreen(picture, &corner);
    const HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, corner.x, corner.y);
    for (int reading = 0; reading < 25; ++reading) {
        Sleep(200);
        const COLORREF again = GetPixel(screen, corner.x, corner.y);
        if (again == colour) break;
        colour = again;
    }
    ReleaseDC(nullptr, screen);
    return L"rgb(" + std::to_wstring(GetRValue(colour)) + L"," + std::to_wstring(GetGValue(colour)) + L"," +
           std::to_wstring(GetBValue(colour)) + L")";
}

// Every visible control of the wizard with a text, a check box with its state, and the colour of
// each picture. An icon's text is its resource number, not a text.
void reportWizard(HWND wizard) {
    report("window", textOf(wizard));
    for (HWND control : childrenOf(wizard)) {
        if (!IsWindowVisible(control)) continue;
        const std::wstring kind = classOf(control);
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        const LONG staticType = style & SS_TYPEMASK;
        const LONG buttonType = style & BS_TYPEMASK;
        if (kind == L"Static" && staticType == SS_ICON) continue;
        const std::wstring text = textOf(control);
        if (kind == L"Static" && staticType == SS_BITMAP) {
            report("picture", pictureColour(control));
        } else if (kind == L"Button" && (buttonType == BS_CHECKBOX || buttonType == BS_AUTOCHECKBOX)) {
            const bool checked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
            report("checkbox", (checked ? L"[x] " : L"[ ] ") + text);
        } else if (!text.empty()) {
            report("text", text);
        }
    }
}

void press(HWND window, int id) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

// Starts the installer with NUL for its standard handles and nothing else of ours: the program its
// finish page starts inherits them, and would otherwise hold the report's pipe open while it runs.
bool startSetup(const std::wstring& setup, PROCESS_INFORMATION& process) {
    for (DWORD stream : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE})
        SetHandleInformation(GetStdHandle(stream), HANDLE_FLAG_INHERIT, 0);
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    const HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inheritable, OPEN_EXISTING, 0, nullptr);
    if (nul == INVALID_HANDLE_VALUE) return false;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    std::wstring commandLine = L"\"" + setup + L"\"";
    const bool started = CreateProcessW(setup.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    CloseHandle(nul);
    if (started) CloseHandle(process.hThread);
    return started;
}

}  // namespace

int walkSetup(const std::wstring& setup, const std::vector<std::wstring>& steps) {
    PROCESS_INFORMATION process{};
    if (!startSetup(setup, process)) {
        report("started", L"no");
        return 1;
    }
    const auto fail = [&](const std::wstring& what) {
        report("missing", what);
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hProcess);
        return 1;
    };

    HWND lastPage = nullptr;
    for (const std::wstring& step : steps) {
        if (step == L"yes") {
            const HWND box = waitFor([&] { return messageBoxOf(process.dwProcessId); });
            if (!box) return fail(L"message box");
            report("box caption", textOf(box));
            for (HWND child : childrenOf(box))
                if (classOf(child) == L"Static" && !textOf(child).empty()) report("box text", textOf(child));
            press(box, IDYES);
        } else if (step == L"next" || step == L"cancel") {
            const HWND wizard = waitFor([&]() -> HWND {
                const HWND found = wizardOf(process.dwProcessId);
                const HWND page = found ? pageOf(found) : nullptr;
                const bool ready = page && page != lastPage && IsWindowEnabled(GetDlgItem(found, IDOK)) &&
                                   !hasProgressBar(page);
                return ready ? found : nullptr;
            });
            if (!wizard) return fail(L"page");
            lastPage = pageOf(wizard);
            reportWizard(wizard);
            press(wizard, step == L"next" ? IDOK : IDCANCEL);
        } else {
            report("unknown step", step);
            TerminateProcess(process.hProcess, 1);
            CloseHandle(process.hProcess);
            return 2;
        }
    }
    if (WaitForSingleObject(process.hProcess, kWaitMs) != WAIT_OBJECT_0) return fail(L"exit");
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    report("exit code", std::to_wstring(exitCode));
    return 0;
}
