// Processes on Windows: the calling one, and whether another still runs.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/owned_handle.h"

namespace platform {

std::int64_t currentProcessId() { return static_cast<std::int64_t>(GetCurrentProcessId()); }

bool isProcessRunning(std::int64_t processId) {
    if (processId <= 0 || processId > static_cast<std::int64_t>(MAXDWORD)) return false;
    const OwnedHandle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(processId)));
    // Refused: the process exists, but belongs to another user.
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    // A process object outlives its process while a handle to it is open: only its signal tells
    // that the process ended. An exit code would not, since a process may end with STILL_ACTIVE's value.
    return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

}  // namespace platform
