// The named mutex on Windows: a kernel mutex by its name, unchanged, in the logged-on user's local namespace.
#include <windows.h>

#include "platform/platform.h"

namespace platform {

NamedMutex::~NamedMutex() { close(); }

void NamedMutex::close() {
    if (handle) CloseHandle(static_cast<HANDLE>(handle));
    handle = nullptr;
}

bool NamedMutex::create(const WideString& name) {
    close();
    if (name.empty()) return false;
    handle = CreateMutexW(nullptr, FALSE, reinterpret_cast<const wchar_t*>(name.c_str()));
    return handle != nullptr;
}

void NamedMutex::acquire() {
    // WAIT_ABANDONED also grants the mutex: its last owner ended without releasing it.
    if (handle) WaitForSingleObject(static_cast<HANDLE>(handle), INFINITE);
}

void NamedMutex::release() {
    if (handle) ReleaseMutex(static_cast<HANDLE>(handle));   // fails harmlessly when this thread is not the owner
}

}  // namespace platform
