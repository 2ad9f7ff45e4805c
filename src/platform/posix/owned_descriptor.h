// Owner of a POSIX file descriptor, closed once by its destructor.
#pragma once

#include <unistd.h>

namespace platform {

class OwnedDescriptor {
public:
    explicit OwnedDescriptor(int descriptor = -1) : descriptor(descriptor) {}
    OwnedDescriptor(OwnedDescriptor&& other) noexcept : descriptor(other.take()) {}
    OwnedDescriptor& operator=(OwnedDescriptor&& other) noexcept {
        if (this != &other) {
            reset();
            descriptor = other.take();
        }
        return *this;
    }
    OwnedDescriptor(const OwnedDescriptor&) = delete;
    OwnedDescriptor& operator=(const OwnedDescriptor&) = delete;
    ~OwnedDescriptor() { reset(); }

    int get() const { return descriptor; }
    int take() {
        const int taken = descriptor;
        descriptor = -1;
        return taken;
    }
    explicit operator bool() const { return descriptor >= 0; }

private:
    void reset() {
        if (descriptor >= 0) close(descriptor);
        descriptor = -1;
    }
    int descriptor;
};

}  // namespace platform
