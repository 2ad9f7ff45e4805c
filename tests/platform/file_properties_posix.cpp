// File properties only Linux tests can set up: pipes, devices, links, permission bits and owners.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "scratch_files.h"
#include "support/file_status_posix.h"
#include "support/temp_folder.h"

namespace {

TEST(IsRegularFile, aPipeADeviceOrALinkToAFolderIsNotAndALinkToAFileIs) {
    TempFolder folder;
    writeFile(folder / u"shop.db", "data");
    ASSERT_EQ(0, mkfifo(toUtf8(folder / u"pipe.db").c_str(), 0600));
    std::filesystem::create_symlink(std::filesystem::path(folder / u"shop.db"), std::filesystem::path(folder / u"file-link.db"));
    std::filesystem::create_directory_symlink(std::filesystem::path(folder.path()), std::filesystem::path(folder / u"folder-link.db"));
    struct Case {
        WideString path;
        bool isRegular;
    };
    const Case cases[] = {
        {folder / u"pipe.db", false}, {u"/dev/null", false}, {folder / u"folder-link.db", false}, {folder / u"file-link.db", true}};
    for (const Case& c : cases) EXPECT_EQ(c.isRegular, platform::isRegularFile(c.path)) << toUtf8(c.path);
}

TEST(CopyFileProperties, givesThePermissionBitsAndWherePermittedTheOwner) {
    TempFolder folder;
    const WideString from = folder / u"shop.db", to = folder / u"rebuilt.db";
    writeFile(from, "source");
    writeFile(to, "rebuilt");
    ASSERT_EQ(0, chmod(toUtf8(from).c_str(), 0600));
    ASSERT_EQ(0, chmod(toUtf8(to).c_str(), 0644));
    const bool isRoot = geteuid() == 0;
    if (isRoot) {
        ASSERT_EQ(0, chown(toUtf8(from).c_str(), kNobody, kNobody));
    }

    EXPECT_TRUE(platform::copyFileProperties(from, to));
    EXPECT_EQ(0600u, statusOf(to).st_mode & 07777);
    // Without root the owner cannot be given away: the file stays this user's, and that is no failure.
    EXPECT_EQ(isRoot ? kNobody : geteuid(), statusOf(to).st_uid);
    EXPECT_EQ("rebuilt", readFile(to));
    EXPECT_FALSE(platform::copyFileProperties(folder / u"missing.db", to));
}

}  // namespace
