// Entry of every test program: binds bare library names to the data folder beside the program,
// as the product's own programs do, and lets a test program re-enter itself as a child process.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "support/child_process.h"

int main(int argc, char** argv) {
    platform::setLibraryFolder(platform::executableFolder() + u"data");
    if (const int childResult = runChildRoleIfAsked(argc, argv); childResult >= 0) return childResult;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
