// Owners of SQLite connections and statements. SQLite is bound at run time, so each owner keeps
// the bound release entry point (sqlite3_close or sqlite3_finalize) next to its handle.
#pragma once

#include <sqlite3.h>

// Move-only; releases the handle when it goes. The library the release entry point comes from
// must outlive the owner.
template <typename Handle>
class BoundHandle {
public:
    using Release = int (*)(Handle*);

    BoundHandle() = default;
    BoundHandle(Handle* handle, Release release) : handle(handle), release(release) {}
    BoundHandle(BoundHandle&& other) noexcept : handle(other.handle), release(other.release) { other.handle = nullptr; }
    BoundHandle& operator=(BoundHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle = other.handle;
            release = other.release;
            other.handle = nullptr;
        }
        return *this;
    }
    BoundHandle(const BoundHandle&) = delete;
    BoundHandle& operator=(const BoundHandle&) = delete;
    ~BoundHandle() { reset(); }

    Handle* get() const { return handle; }
    bool isOpen() const { return handle != nullptr; }
    // Releases the handle now (its result is of no use to anyone) and leaves the owner empty.
    void reset() {
        if (handle) (void)release(handle);
        handle = nullptr;
    }

private:
    Handle* handle = nullptr;
    Release release = nullptr;
};

using Connection = BoundHandle<sqlite3>;
using Statement = BoundHandle<sqlite3_stmt>;
