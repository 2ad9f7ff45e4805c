// Child processes on Windows: the test program started again, or another program, with CreateProcessW.
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
    std::vector<std::string> words{"--child-role", role};
    words.insert(words.end(), arguments.begin(), arguments.end());
    const std::wstring selfPath(self);
    start(WideString(selfPath.begin(), selfPath.end()), words, {});
}

ChildProcess::ChildProcess(const WideString& program, const std::vector<std::string>& arguments, const WideString& outputPath) {
    start(program, arguments, outputPath);
}

void ChildProcess::start(const WideString& program, const std::vector<std::string>& arguments, const WideString& outputPath) {
    const std::wstring programPath(program.begin(), program.end());
    std::wstring commandLine = quoted(program);
    for (const std::string& argument : arguments) commandLine += L" " + quoted(fromUtf8(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    HANDLE output = INVALID_HANDLE_VALUE;
    if (!outputPath.empty()) {
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        const std::wstring outputName(outputPath.begin(), outputPath.end());
        output = CreateFileW(outputName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output == INVALID_HANDLE_VALUE) return;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = output;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION process{};
    const BOOL inherits = output != INVALID_HANDLE_VALUE;
    if (CreateProcessW(programPath.c_str(), commandLine.data(), nullptr, nullptr, inherits, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        handle = process.hProcess;
        processId = static_cast<long>(process.dwProcessId);
    }
    if (output != INVALID_HANDLE_VALUE) CloseHandle(output);   // the child holds its own
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
