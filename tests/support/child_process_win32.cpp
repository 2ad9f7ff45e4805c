// Child processes on Windows: the test program started again with CreateProcessW.
#include <windows.h>

#include "support/child_process.h"

namespace {

// The argument in double quotes as CommandLineToArgvW reads it back: a quote inside is escaped, and
// the backslashes before a quote (the closing one included: a folder ending in a separator) are doubled.
std::wstring quoted(const WideString& argument) {
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (const char16_t c : argument) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == u'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        text += static_cast<wchar_t>(c);
    }
    text.append(2 * backslashes, L'\\');
    return text + L"\"";
}

}  // namespace

ChildProcess::ChildProcess(const char* role, const std::vector<std::string>& arguments) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --child-role ";
    const WideString roleText = fromUtf8(role);
    commandLine.append(roleText.begin(), roleText.end());
    for (const std::string& argument : arguments) commandLine += L" " + quoted(fromUtf8(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        handle = process.hProcess;
        processId = static_cast<long>(process.dwProcessId);
    }
}

ChildProcess::~ChildProcess() {
    wait();
    if (handle) CloseHandle(handle);
}

bool ChildProcess::isRunning() const {
    return handle && !ended && WaitForSingleObject(handle, 0) == WAIT_TIMEOUT;
}

int ChildProcess::wait() {
    if (!handle) return -1;
    if (!ended) {
        WaitForSingleObject(handle, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(handle, &code);
        exitCode = static_cast<int>(code);
        ended = true;
    }
    return exitCode;
}

void ChildProcess::kill() {
    if (handle && !ended) TerminateProcess(handle, 9);
    wait();
}
