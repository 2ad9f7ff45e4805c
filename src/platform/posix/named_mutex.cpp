// The named mutex on Linux. Threads of this process meet in a registry entry per name, which
// records the owning thread and its depth; processes meet in an flock on a lock file named after
// the mutex, which the kernel releases when the owning process ends. A thread that ends while
// holding mutexes releases them on its way out, as Windows grants an abandoned mutex to the
// next waiter.
//
// The lock file exists while some process has the mutex open: the first to take it creates it,
// and a process that closes its last handle removes it when no other process holds it, so that a
// mutex no one uses leaves nothing behind. Creating and removing a file at every hold would cost
// far more than the hold (a repair takes one per page of rows). A process may therefore hold a
// descriptor of a file that is no longer at the name, or no longer the one there; having locked
// it, it sees that, lets go and opens the name again.
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/owned_descriptor.h"

namespace platform {

namespace {

// Does the descriptor's file still have the name path?
bool isStillNamed(int descriptor, const std::string& path) {
    struct stat opened {};
    struct stat named {};
    return fstat(descriptor, &opened) == 0 && stat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

struct Entry {
    explicit Entry(std::string path) : lockPath(std::move(path)) {}
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;
    // The last handle of this process is gone and no thread of it holds the mutex: the file goes
    // too, unless another process holds it now (that one removes it when it closes).
    ~Entry() {
        if (lockFile && flock(lockFile.get(), LOCK_EX | LOCK_NB) == 0 && isStillNamed(lockFile.get(), lockPath)) unlink(lockPath.c_str());
    }
    std::mutex lock;
    std::condition_variable released;
    std::int32_t owner = 0;   // thread id; 0 while free in this process
    int depth = 0;
    const std::string lockPath;
    OwnedDescriptor lockFile;   // open once taken; flocked while a thread of this process owns the mutex
};

// What a NamedMutex handle points to.
struct OpenedMutex {
    std::shared_ptr<Entry> entry;
};

// Takes the flock of the lock file, opening or creating it if need be (file: the descriptor kept
// from earlier holds, or empty). Should the file locked be gone from the name, or replaced, it is
// let go and the name opened again. Empty when the file cannot be opened or locked.
OwnedDescriptor lockExclusively(OwnedDescriptor file, const std::string& path) {
    for (;;) {
        if (!file) file = OwnedDescriptor(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        if (!file) return file;
        int locked = flock(file.get(), LOCK_EX);
        while (locked != 0 && errno == EINTR) locked = flock(file.get(), LOCK_EX);
        if (locked != 0) return OwnedDescriptor();
        if (isStillNamed(file.get(), path)) return file;
        file = OwnedDescriptor();
    }
}

// Gives the mutex up entirely. The caller holds entry.lock and is the owner.
void releaseHeld(Entry& entry) {
    if (entry.lockFile) flock(entry.lockFile.get(), LOCK_UN);
    entry.owner = 0;
    entry.depth = 0;
    // One waiter can take it; waking them all would only send the rest back to sleep.
    entry.released.notify_one();
}

// The mutexes this thread owns, given up when the thread ends.
struct HeldByThread {
    std::vector<std::shared_ptr<Entry>> entries;
    ~HeldByThread() {
        for (const std::shared_ptr<Entry>& entry : entries) {
            std::lock_guard<std::mutex> guard(entry->lock);
            releaseHeld(*entry);
        }
    }
};
thread_local HeldByThread heldByThisThread;

// Entries live while a handle or an owning thread refers to them; the registry only finds them.
std::mutex registryLock;
std::map<std::string, std::weak_ptr<Entry>>& registry() {
    static auto* entries = new std::map<std::string, std::weak_ptr<Entry>>();   // outlives detached threads at exit
    return *entries;
}

// $XDG_RUNTIME_DIR, else a private folder in /tmp; empty when neither can be used safely.
std::string runtimeFolder() {
    if (const char* folder = getenv("XDG_RUNTIME_DIR"); folder && *folder) return folder;
    const std::string folder = "/tmp/dovrane-" + std::to_string(getuid());
    mkdir(folder.c_str(), 0700);   // usually there already
    struct stat status {};
    if (lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != getuid()) return {};
    return folder;
}

// The lock file's name: the mutex name with every byte but letters, digits, '-', '_' and '.'
// written as %XX, so that any name maps to one file name.
std::string lockFileName(const std::string& name) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string file = "dovrane-mutex-";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
            byte == '-' || byte == '_' || byte == '.') {
            file += c;
        } else {
            file += '%';
            file += kDigits[byte >> 4];
            file += kDigits[byte & 0x0F];
        }
    }
    return file;
}

std::shared_ptr<Entry> entryNamed(const std::string& name) {
    std::lock_guard<std::mutex> guard(registryLock);
    if (std::shared_ptr<Entry> existing = registry()[name].lock()) return existing;
    const std::string folder = runtimeFolder();
    if (folder.empty()) return nullptr;
    auto entry = std::make_shared<Entry>(folder + "/" + lockFileName(name));
    registry()[name] = entry;
    return entry;
}

}  // namespace

NamedMutex::~NamedMutex() { close(); }

void NamedMutex::close() {
    delete static_cast<OpenedMutex*>(handle);
    handle = nullptr;
}

bool NamedMutex::create(const WideString& name) {
    close();
    if (name.empty()) return false;
    std::shared_ptr<Entry> entry = entryNamed(toUtf8(name));
    if (!entry) return false;
    handle = new OpenedMutex{std::move(entry)};
    return true;
}

void NamedMutex::acquire() {
    if (!handle) return;
    const std::shared_ptr<Entry>& entry = static_cast<OpenedMutex*>(handle)->entry;
    const std::int32_t self = currentThreadId();
    std::unique_lock<std::mutex> guard(entry->lock);
    if (entry->owner == self) {
        ++entry->depth;
        return;
    }
    entry->released.wait(guard, [&] { return entry->owner == 0; });
    entry->owner = self;   // other threads of this process now wait on the entry, not on the file
    OwnedDescriptor kept = std::move(entry->lockFile);
    guard.unlock();
    // Without a lock file (its folder gone, no descriptors left) the mutex still excludes the
    // threads of this process; there is nothing better to do for a caller that waits without limit.
    OwnedDescriptor lockFile = lockExclusively(std::move(kept), entry->lockPath);
    guard.lock();
    entry->lockFile = std::move(lockFile);
    entry->depth = 1;
    heldByThisThread.entries.push_back(entry);
}

void NamedMutex::release() {
    if (!handle) return;
    const std::shared_ptr<Entry>& entry = static_cast<OpenedMutex*>(handle)->entry;
    std::lock_guard<std::mutex> guard(entry->lock);
    if (entry->owner != currentThreadId() || entry->depth == 0 || --entry->depth > 0) return;
    releaseHeld(*entry);
    std::vector<std::shared_ptr<Entry>>& held = heldByThisThread.entries;
    held.erase(std::find(held.begin(), held.end(), entry));
}

}  // namespace platform
