// On Linux only this process's own descriptors are not a reason to refuse a move: the repair
// closes its connections before it swaps files, and other processes are what the refusal is for.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

#include "platform/platform.h"
#include "support/temp_folder.h"

namespace {

TEST(Paths, aFileHeldOpenByThisProcessCanBeMoved) {
    TempFolder folder;
    std::ofstream(toUtf8(folder / u"source.db")) << "data";
    const int descriptor = open(toUtf8(folder / u"source.db").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(descriptor, 0);
    EXPECT_TRUE(platform::moveInFolder(folder.path(), u"source.db", u"moved.db"));
    close(descriptor);
    EXPECT_EQ(StringArray{u"moved.db"}, folder.fileNames());
}

}  // namespace
