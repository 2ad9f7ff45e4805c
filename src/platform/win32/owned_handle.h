// Owners of the Windows handles the platform layer opens, each released once by its destructor.
#pragma once

#include <windows.h>

namespace platform {

template <typename Handle, typename Release>
class Owned {
public:
    explicit Owned(Handle h = Handle{}) : handle(h) {}
    Owned(Owned&& other) noexcept : handle(other.take()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            reset();
            handle = other.take();
        }
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { reset(); }

    Handle get() const { return handle; }
    Handle take() {
        Handle h = handle;
        handle = Handle{};
        return h;
    }
    explicit operator bool() const { return Release::isHandle(handle); }

private:
    void reset() {
        if (Release::isHandle(handle)) Release{}(handle);
        handle = Handle{};
    }
    Handle handle;
};

// CreateFileW says "no handle" with INVALID_HANDLE_VALUE, most other calls with NULL.
struct CloseKernelHandle {
    static bool isHandle(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using OwnedHandle = Owned<HANDLE, CloseKernelHandle>;

}  // namespace platform
