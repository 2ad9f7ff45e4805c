// Detached threads on Windows. The starter puts the routine and a copy of the parameter text in
// one block of the process heap; the new thread checks the block, copies the text out, frees it
// and so owns its text alone.
#include <windows.h>

#include <cstring>

#include "platform/platform.h"

namespace platform {

namespace {

constexpr std::uint64_t kRetryDelayMs = 100;

// Block layout: the routine, then the text's UTF-16 code units and a terminating zero.
DWORD WINAPI runThread(LPVOID block) {
    const HANDLE heap = GetProcessHeap();
    if (!block || !HeapValidate(heap, 0, block)) return 0;
    const SIZE_T size = HeapSize(heap, 0, block);
    ThreadRoutine routine = nullptr;
    std::memcpy(&routine, block, sizeof routine);
    const std::size_t units = (size - sizeof routine) / sizeof(char16_t);
    WideString parameter(reinterpret_cast<const char16_t*>(static_cast<const char*>(block) + sizeof routine), units - 1);
    HeapFree(heap, 0, block);
    routine(std::move(parameter));
    return 0;
}

}  // namespace

bool startThread(ThreadRoutine routine, const std::optional<WideString>& parameter) {
    const WideString text = parameter.value_or(WideString());
    const HANDLE heap = GetProcessHeap();
    void* block = HeapAlloc(heap, HEAP_ZERO_MEMORY, sizeof routine + (text.size() + 1) * sizeof(char16_t));
    if (!block) return false;
    std::memcpy(block, &routine, sizeof routine);
    std::memcpy(static_cast<char*>(block) + sizeof routine, text.data(), text.size() * sizeof(char16_t));
    for (;;) {
        const HANDLE thread = CreateThread(nullptr, 0, runThread, block, 0, nullptr);
        if (thread) {
            CloseHandle(thread);   // detached: nobody waits for it
            return true;
        }
        if (GetLastError() == ERROR_NOT_ENOUGH_MEMORY) {
            HeapFree(heap, 0, block);
            return false;
        }
        waitPumping(kRetryDelayMs, 0);
    }
}

std::int32_t currentThreadId() { return static_cast<std::int32_t>(GetCurrentThreadId()); }

}  // namespace platform
