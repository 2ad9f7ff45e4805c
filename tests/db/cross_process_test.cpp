// Two processes connected to one database file exclude each other's writers; two files do not.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "db/database.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace {

void touch(const WideString& path) { std::ofstream(std::filesystem::path(path)) << "x"; }

// Arguments: database path, marker file, release file. Connects, takes the writer lock, writes the
// marker, and holds the lock until the release file appears (30 s at most).
int holdWriterLock(const std::vector<std::string>& arguments) {
    if (arguments.size() != 3) return 2;
    rg_MoKuai_class_sqliteShuJuKu database;
    if (!database.connect(fromUtf8(arguments[0]))) return 3;
    database.lock(0);
    touch(fromUtf8(arguments[1]));
    const bool released = waitForFile(fromUtf8(arguments[2]), 30000);
    database.unlock(0);
    return released ? 0 : 4;
}
CHILD_ROLE("hold-writer-lock", holdWriterLock);

// A second process that holds the writer lock of path until release() or the end of the test.
class LockHolder {
public:
    LockHolder(const TempFolder& folder, const WideString& path)
        : marker(folder / u"held"), releaseFile(folder / u"release"),
          child("hold-writer-lock", {toUtf8(path), toUtf8(marker), toUtf8(releaseFile)}) {}
    ~LockHolder() { release(); }
    bool holds() { return waitForFile(marker, 20000) && child.isRunning(); }
    void release() { touch(releaseFile); }
    int exitCode() { return child.wait(); }

private:
    const WideString marker;
    const WideString releaseFile;
    ChildProcess child;
};

// Takes the writer lock on another thread, and lets it go at once.
class LockAttempt {
public:
    explicit LockAttempt(rg_MoKuai_class_sqliteShuJuKu& database)
        : thread([this, &database] {
              database.lock(0);
              got = true;
              database.unlock(0);
          }) {}
    ~LockAttempt() { thread.join(); }
    bool takenWithin(int milliseconds) const {
        for (int waited = 0; waited < milliseconds && !got; waited += 10) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return got;
    }

private:
    std::atomic<bool> got{false};
    std::thread thread;
};

TEST(CrossProcess, aWriterInAnotherProcessExcludesThisOneUntilItUnlocks) {
    TempFolder folder;
    const WideString path = folder / u"shared.db";
    LockHolder holder(folder, path);
    ASSERT_TRUE(holder.holds()) << "the other process never took the lock";

    rg_MoKuai_class_sqliteShuJuKu database;
    ASSERT_TRUE(database.connect(path));   // already in WAL: connect takes no lock
    {
        LockAttempt attempt(database);
        EXPECT_FALSE(attempt.takenWithin(500)) << "locked while the other process held the lock";
        holder.release();
        EXPECT_TRUE(attempt.takenWithin(20000));
    }
    EXPECT_EQ(0, holder.exitCode());
}

TEST(CrossProcess, writersOfDifferentFilesDoNotExcludeEachOther) {
    TempFolder folder;
    const WideString heldPath = folder / u"held.db";
    LockHolder holder(folder, heldPath);
    ASSERT_TRUE(holder.holds()) << "the other process never took the lock";

    // Connected first to the held file, then to another: the second connect drops the first mutex.
    rg_MoKuai_class_sqliteShuJuKu database;
    ASSERT_TRUE(database.connect(heldPath));
    ASSERT_TRUE(database.connect(folder / u"free.db"));
    {
        LockAttempt attempt(database);
        EXPECT_TRUE(attempt.takenWithin(5000));
    }
    EXPECT_TRUE(holder.holds()) << "the other process let go early; the test proves nothing";
    holder.release();
    EXPECT_EQ(0, holder.exitCode());
}

}  // namespace
