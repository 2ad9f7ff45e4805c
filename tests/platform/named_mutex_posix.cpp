// On Linux the named mutex meets other processes in a lock file, which exists only while some
// process has the mutex open, so that mutexes no one uses leave nothing behind in the runtime folder.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace {

WideString uniqueName() {
    static int counter = 0;
    return u"dovrane-test-lock-file-" + decimalText(getpid()) + u"-" + decimalText(++counter);
}

// Where the lock file of a mutex named with letters, digits and '-' only lives.
WideString lockFileOf(const WideString& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime && *runtime ? runtime : "/tmp/dovrane-" + std::to_string(getuid());
    return fromUtf8(folder) + u"/dovrane-mutex-" + name;
}

TEST(NamedMutex, itsLockFileGoesWithTheLastHandle) {
    const WideString name = uniqueName();
    {
        platform::NamedMutex second;
        ASSERT_TRUE(second.create(name));
        {
            platform::NamedMutex mutex;
            ASSERT_TRUE(mutex.create(name));
            EXPECT_FALSE(platform::pathExists(lockFileOf(name))) << "never taken";
            mutex.acquire();
            EXPECT_TRUE(platform::pathExists(lockFileOf(name)));
            mutex.acquire();
            mutex.release();
            mutex.release();
        }
        EXPECT_TRUE(platform::pathExists(lockFileOf(name))) << "another handle is open";
    }
    EXPECT_FALSE(platform::pathExists(lockFileOf(name)));

    std::thread([&name] {
        platform::NamedMutex mutex;
        mutex.create(name);
        mutex.acquire();
    }).join();   // a thread that ends holding the mutex gives it up, and with its handle the file goes
    EXPECT_FALSE(platform::pathExists(lockFileOf(name)));
}

// A killed owner cannot remove its file; the next process to close the mutex does.
TEST(NamedMutex, aLockFileLeftByAKilledOwnerGoesWithTheNextClose) {
    const WideString name = uniqueName();
    TempFolder folder;
    ChildProcess owner("hold-mutex", {toUtf8(name), toUtf8(folder / u"held")});   // role of named_mutex_test.cpp
    if (!waitForFile(folder / u"held", 20000)) {
        owner.kill();
        FAIL() << "the other process never took the mutex";
    }
    owner.kill();
    EXPECT_TRUE(platform::pathExists(lockFileOf(name)));

    {
        platform::NamedMutex mutex;
        ASSERT_TRUE(mutex.create(name));
        mutex.acquire();
        mutex.release();
    }
    EXPECT_FALSE(platform::pathExists(lockFileOf(name)));
}

}  // namespace
