// Time and waiting on Windows. waitPumping keeps the calling thread's windows answering while it
// waits: it wakes every 10 ms to dispatch their messages until a waitable timer fires.
#include <windows.h>

#include <algorithm>

#include "platform/platform.h"
#include "platform/system_clock.h"
#include "platform/win32/owned_handle.h"

namespace platform {

namespace {

constexpr DWORD kPumpIntervalMs = 10;
constexpr std::uint64_t kLongestWaitMs = 0x7FFFFFFFFFFFFFFFull / 10000;   // keeps the due time in range

void sleepFor(std::uint64_t milliseconds) {
    while (milliseconds > 0) {
        const DWORD step = static_cast<DWORD>(std::min<std::uint64_t>(milliseconds, INFINITE - 1));
        Sleep(step);
        milliseconds -= step;
    }
}

void dispatchWaitingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

std::uint32_t systemTickCount() { return GetTickCount(); }

void waitPumping(std::uint64_t milliseconds, std::int32_t pump) {
    const OwnedHandle timer(CreateWaitableTimerW(nullptr, FALSE, nullptr));
    if (!timer) {
        sleepFor(milliseconds);   // without a timer no messages are dispatched
        return;
    }
    LARGE_INTEGER dueTime;
    dueTime.QuadPart = -static_cast<LONGLONG>(std::min(milliseconds, kLongestWaitMs) * 10000);   // relative, 100 ns units
    if (!SetWaitableTimer(timer.get(), &dueTime, 0, nullptr, nullptr, FALSE)) {
        sleepFor(milliseconds);
        return;
    }
    if (pump != 1) {
        WaitForSingleObject(timer.get(), INFINITE);
        return;
    }
    while (WaitForSingleObject(timer.get(), kPumpIntervalMs) == WAIT_TIMEOUT) dispatchWaitingMessages();
}

}  // namespace platform
