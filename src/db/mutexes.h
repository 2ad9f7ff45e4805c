// The database object's two locks: a mutex shared by name between processes (the writer lock of
// one database file) and a plain mutex inside the process (the guard of the reader pool).
#pragma once

#include <mutex>

#include "base/wide_string.h"
#include "platform/platform.h"

// A named mutex, recursive for its owning thread. A copy never shares the original's mutex: it
// starts without a handle, and assigning leaves the target's handle as it was.
class rg_MoKuai_class_HuChiSuo_KuaJinCheng {
public:
    rg_MoKuai_class_HuChiSuo_KuaJinCheng() = default;
    rg_MoKuai_class_HuChiSuo_KuaJinCheng(const rg_MoKuai_class_HuChiSuo_KuaJinCheng&) {}
    rg_MoKuai_class_HuChiSuo_KuaJinCheng& operator=(const rg_MoKuai_class_HuChiSuo_KuaJinCheng&) { return *this; }
    // Objects of the class compare equal: the mutex is not part of the value.
    bool operator==(const rg_MoKuai_class_HuChiSuo_KuaJinCheng&) const { return true; }

    // Closes the current handle, then creates or opens the mutex of that name (no initial owner).
    // True when a handle was obtained; an empty name leaves none.
    bool create(const WideString& name) { return mutex.create(name); }
    bool hasHandle() const { return mutex.hasHandle(); }
    // Waits without time limit; does nothing without a handle. A mutex abandoned by an ended
    // owner is taken like a released one.
    void acquire() { mutex.acquire(); }
    // Releases one hold; does nothing without a handle, or when this thread does not own it.
    void release() { mutex.release(); }

private:
    platform::NamedMutex mutex;
};

// A plain mutex, not recursive: a thread must not acquire it twice. A copy has its own new mutex.
class rg_MoKuai_class_HuChiSuo_ChanJinCheng {
public:
    rg_MoKuai_class_HuChiSuo_ChanJinCheng() = default;
    rg_MoKuai_class_HuChiSuo_ChanJinCheng(const rg_MoKuai_class_HuChiSuo_ChanJinCheng&) {}
    rg_MoKuai_class_HuChiSuo_ChanJinCheng& operator=(const rg_MoKuai_class_HuChiSuo_ChanJinCheng&) { return *this; }
    bool operator==(const rg_MoKuai_class_HuChiSuo_ChanJinCheng&) const { return true; }

    // Blocks without time limit; a failure to lock throws std::system_error.
    void acquire() { mutex.lock(); }
    void release() { mutex.unlock(); }

private:
    std::mutex mutex;
};
