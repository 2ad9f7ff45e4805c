// Console on Windows: arguments from the wide command line; a console takes UTF-16 through
// WriteConsoleW, a redirected stream takes UTF-8 bytes.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/platform.h"

namespace platform {

namespace {

HANDLE handleOf(Stream stream) {
    return GetStdHandle(stream == Stream::output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

}  // namespace

StringArray commandLineArguments(int, char**) {
    StringArray arguments;
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!words) return arguments;
    for (int i = 1; i < count; ++i) arguments.emplace_back(reinterpret_cast<const char16_t*>(words[i]));
    LocalFree(words);
    return arguments;
}

bool isTerminal(Stream stream) {
    DWORD mode = 0;
    return GetConsoleMode(handleOf(stream), &mode) != 0;
}

void writeText(Stream stream, const WideString& text) {
    const HANDLE handle = handleOf(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    if (isTerminal(stream)) {
        WriteConsoleW(handle, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = toUtf8(text);
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace platform
