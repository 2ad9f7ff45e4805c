// Child processes on Windows: the test program started again with CreateProcessW.
#include <windows.h>

#include "support/child_process.h"

ChildProcess::ChildProcess(const char* role, const std::vector<std::string>& arguments) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --child-role ";
    const WideString roleText = fromUtf8(role);
    commandLine.append(roleText.begin(), roleText.end());
    for (const std::string& argument : arguments) {
        const WideString text = fromUtf8(argument);
        commandLine += L" \"";
        commandLine.append(text.begin(), text.end());
        commandLine += L"\"";
    }
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
