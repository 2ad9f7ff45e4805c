// Who may read and write the rebuilt file: what the user set on the source, on Linux.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "fixtures/damaged_database.h"
#include "repair/result_texts.h"
#include "repair_run.h"
#include "support/file_status_posix.h"
#include "support/temp_folder.h"

namespace {

TEST(KeptProperties, thePermissionBitsAndTheOwnerAreKept) {
    TempFolder folder;
    const WideString path = folder / u"shop.db";
    ASSERT_TRUE(writeShopDatabase(path, 1500));
    ASSERT_EQ(0, chmod(toUtf8(path).c_str(), 0600));
    // Only root may give a file away: without it the owner is this user's before and after.
    const bool isRoot = geteuid() == 0;
    if (isRoot) {
        ASSERT_EQ(0, chown(toUtf8(path).c_str(), kNobody, kNobody));
    }

    EXPECT_EQ(WideString(kResultRepaired), repair(path));
    const struct stat rebuilt = statusOf(path);
    EXPECT_EQ(0600u, rebuilt.st_mode & 07777);
    EXPECT_EQ(isRoot ? kNobody : geteuid(), rebuilt.st_uid);
    EXPECT_EQ(isRoot ? kNobody : getegid(), rebuilt.st_gid);
    EXPECT_EQ(1500u, exactRows(path, u"SELECT id FROM orders").size());
}

}  // namespace
