// File cases only Linux tests can set up: symbolic links, and a folder the process may not write.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "scratch_files.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace {

using platform::FileError;

constexpr int kCannotDropRights = 100;
constexpr uid_t kNobody = 65534;

void link(const WideString& target, const WideString& link) {
    std::filesystem::create_symlink(std::filesystem::path(target), std::filesystem::path(link));
}

// Argument: PATH. Tries createNewFile(PATH) without root's rights (as nobody when started as
// root) and exits with its result as a number.
int createNewFileWithoutRights(const std::vector<std::string>& arguments) {
    if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) return kCannotDropRights;
    return static_cast<int>(platform::createNewFile(fromUtf8(arguments.at(0))));
}
CHILD_ROLE("create-new-file-without-rights", createNewFileWithoutRights);

TEST(ResolvedPath, followsSymbolicLinksToTheFileItself) {
    TempFolder first;
    TempFolder second;
    writeFile(second / u"shop.db", "data");
    link(second / u"shop.db", first / u"file-link.db");
    link(second.path(), first / u"folder-link");
    link(first / u"file-link.db", first / u"link-to-link.db");
    link(second / u"missing.db", first / u"dangling.db");

    EXPECT_EQ(second / u"shop.db", platform::resolvedPath(first / u"file-link.db"));
    EXPECT_EQ(second / u"shop.db", platform::resolvedPath(first / u"folder-link/shop.db"));
    EXPECT_EQ(second / u"shop.db", platform::resolvedPath(first / u"link-to-link.db"));
    EXPECT_EQ(first / u"dangling.db", platform::resolvedPath(first / u"dangling.db"));   // resolving failed: left as it is
}

TEST(CreateNewFile, aDanglingLinkIsATakenName) {
    TempFolder folder;
    link(folder / u"target.db", folder / u"link.db");
    EXPECT_EQ(FileError::exists, platform::createNewFile(folder / u"link.db"));
    EXPECT_EQ(StringArray{u"link.db"}, folder.fileNames());   // the link's target was not made either
}

TEST(CreateNewFile, aFolderWithoutWriteRightsIsNoPermission) {
    TempFolder folder;
    const std::filesystem::path locked(folder / u"locked");
    std::filesystem::create_directory(locked);
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);

    ChildProcess child("create-new-file-without-rights", {toUtf8(folder / u"locked/new.db")});
    const int result = child.wait();
    std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
    if (result == kCannotDropRights) GTEST_SKIP() << "running as root, and the rights of nobody are not available";
    EXPECT_EQ(static_cast<int>(FileError::noPermission), result);
    EXPECT_TRUE(std::filesystem::is_empty(locked));
}

}  // namespace
