// On Linux a bare library name is looked for only in the library folder: a library of the same
// name on the system's search path must not be taken in place of ours.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "support/temp_folder.h"

namespace {

// Points bare names at a folder while it lives, then back at the data folder, where test_main put them.
class LibraryFolder {
public:
    explicit LibraryFolder(const WideString& folder) { platform::setLibraryFolder(folder); }
    LibraryFolder(const LibraryFolder&) = delete;
    LibraryFolder& operator=(const LibraryFolder&) = delete;
    ~LibraryFolder() { platform::setLibraryFolder(platform::executableFolder() + u"data"); }
};

TEST(Library, bareNamesAreLookedForOnlyInTheLibraryFolder) {
    // libc is on the system's search path, and already loaded in this process, but not in data/.
    EXPECT_FALSE(platform::Library::load(u"libc.so.6").isLoaded());

    TempFolder folder;
    std::filesystem::copy_file(std::filesystem::path(platform::executableFolder() + u"data/static-sqlite3-third.so"),
                               std::filesystem::path(folder / u"libprobe.so"));
    const LibraryFolder chosen(folder.path());
    const platform::Library probe = platform::Library::load(u"libprobe.so");
    EXPECT_TRUE(probe.isLoaded());
    EXPECT_NE(nullptr, probe.symbol("sqlite3_libversion"));
    EXPECT_FALSE(platform::Library::load(u"static-sqlite3-third.so").isLoaded()) << "data/ is no longer the folder";
    EXPECT_FALSE(platform::Library::load(u"libc.so.6").isLoaded());
}

}  // namespace

