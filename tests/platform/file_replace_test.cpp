// Replacing a file while keeping the old one as a backup: the name always leads to a whole file,
// and a replacement that cannot be made changes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/platform.h"
#include "scratch_files.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace {

constexpr int kChildStartMs = 20000;

// Every entry of the folder with its bytes ("<folder>" for a folder): what "nothing changed" compares.
std::map<WideString, std::string> folderContents(const TempFolder& folder) {
    std::map<WideString, std::string> contents;
    for (const WideString& name : folder.fileNames())
        contents[name] = std::filesystem::is_directory(std::filesystem::path(folder / name)) ? "<folder>" : readFile(folder / name);
    return contents;
}

// Arguments: PATH READY STOP. Asks whether PATH exists as fast as it can, creates READY after the
// first answer, and ends once STOP exists: 0 when PATH was there every time, 1 when it was missing.
int watchPath(const std::vector<std::string>& arguments) {
    const WideString path = fromUtf8(arguments.at(0));
    const WideString stop = fromUtf8(arguments.at(2));
    bool everMissing = !platform::pathExists(path);
    writeFile(fromUtf8(arguments.at(1)), "ready");
    for (int asked = 1;; ++asked) {
        if (!platform::pathExists(path)) everMissing = true;
        if (asked % 64 == 0 && platform::pathExists(stop)) return everMissing ? 1 : 0;
    }
}
CHILD_ROLE("watch-path", watchPath);

TEST(ReplaceFile, putsTheReplacementInPlaceAndKeepsTheOldFileAsBackup) {
    TempFolder folder;
    writeFile(folder / u"数据.db", "old bytes");
    writeFile(folder / u"数据.db-new", "new bytes, longer");

    ASSERT_TRUE(platform::replaceFile(folder / u"数据.db", folder / u"数据.db-new", folder / u"数据.db-backup"));
    EXPECT_EQ((StringArray{u"数据.db", u"数据.db-backup"}), folder.fileNames());
    EXPECT_EQ("new bytes, longer", readFile(folder / u"数据.db"));
    EXPECT_EQ("old bytes", readFile(folder / u"数据.db-backup"));

    // The backup is a file of its own: writing the new file leaves it alone.
    writeFile(folder / u"数据.db", "rewritten");
    EXPECT_EQ("old bytes", readFile(folder / u"数据.db-backup"));
}

TEST(ReplaceFile, changesNothingWhenItCannotBeDone) {
    struct Case {
        const char* what;
        bool hasPath, hasReplacement, replacementIsFolder, backupTaken;
    };
    const Case cases[] = {
        {"the backup name is taken", true, true, false, true},
        {"the file to replace is missing", false, true, false, false},
        {"the replacement is missing", true, false, false, false},
        {"the replacement is a folder", true, false, true, false},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        if (c.hasPath) writeFile(folder / u"shop.db", "old");
        if (c.hasReplacement) writeFile(folder / u"shop.db-new", "new");
        if (c.replacementIsFolder) std::filesystem::create_directory(std::filesystem::path(folder / u"shop.db-new"));
        if (c.backupTaken) writeFile(folder / u"shop.db-backup", "earlier backup");
        const std::map<WideString, std::string> before = folderContents(folder);

        EXPECT_FALSE(platform::replaceFile(folder / u"shop.db", folder / u"shop.db-new", folder / u"shop.db-backup")) << c.what;
        EXPECT_EQ(before, folderContents(folder)) << c.what;
    }
}

// The step between the names (moving a database's companions, in the repair) sees the old file
// under both names; when it fails, or the replacement fails after it, everything is as it was.
TEST(ReplaceFile, runsItsStepWhileTheOldFileHasBothNamesAndUndoesItOnFailure) {
    struct Case {
        const char* what;
        bool hasReplacement, stepSucceeds, replaced;
    };
    const Case cases[] = {
        {"the step succeeds", true, true, true},
        {"the step fails", true, false, false},
        {"the replacement is missing", false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        writeFile(folder / u"shop.db", "old");
        if (c.hasReplacement) writeFile(folder / u"shop.db-new", "new");
        const std::map<WideString, std::string> before = folderContents(folder);
        std::map<WideString, std::string> duringStep;
        platform::BeforeReplacing between;
        between.act = [&] {
            duringStep = folderContents(folder);
            if (!c.stepSucceeds) return false;
            writeFile(folder / u"shop.db-moved", "moved");
            return true;
        };
        between.undo = [&] { platform::deleteFile(folder / u"shop.db-moved"); };

        EXPECT_EQ(c.replaced, platform::replaceFile(folder / u"shop.db", folder / u"shop.db-new", folder / u"shop.db-backup", between));
        std::map<WideString, std::string> bothNames = before;
        bothNames[u"shop.db-backup"] = "old";
        EXPECT_EQ(bothNames, duringStep);
        if (c.replaced) {
            EXPECT_EQ((std::map<WideString, std::string>{{u"shop.db", "new"}, {u"shop.db-backup", "old"}, {u"shop.db-moved", "moved"}}),
                      folderContents(folder));
        } else {
            EXPECT_EQ(before, folderContents(folder));
        }
    }
}

TEST(ReplaceFile, isRefusedWhileAnotherProcessHoldsTheFile) {
    TempFolder folder;
    TempFolder signals;
    writeFile(folder / u"shop.db", "old");
    writeFile(folder / u"shop.db-new", "new");
    const std::map<WideString, std::string> before = folderContents(folder);
    ChildProcess holder("hold-file-open", {toUtf8(folder / u"shop.db"), toUtf8(signals / u"ready")});
    if (!waitForFile(signals / u"ready", kChildStartMs)) {
        holder.kill();
        FAIL() << "the other process never opened the file";
    }

    EXPECT_FALSE(platform::replaceFile(folder / u"shop.db", folder / u"shop.db-new", folder / u"shop.db-backup"));
    EXPECT_EQ(before, folderContents(folder));

    holder.kill();
    EXPECT_TRUE(platform::replaceFile(folder / u"shop.db", folder / u"shop.db-new", folder / u"shop.db-backup"));
    EXPECT_EQ("new", readFile(folder / u"shop.db"));
}

// Another process looks at the name all through 200 replacements in a row and must find a file
// there every time; two renames in a row would leave it a moment to miss it.
TEST(ReplaceFile, theNameIsNeverMissingWhileFilesAreSwapped) {
    constexpr int kSwaps = 200;
    TempFolder folder;
    TempFolder signals;
    const WideString path = folder / u"shop.db";
    writeFile(path, "version 0");
    ChildProcess watcher("watch-path", {toUtf8(path), toUtf8(signals / u"ready"), toUtf8(signals / u"stop")});
    if (!waitForFile(signals / u"ready", kChildStartMs)) {
        watcher.kill();
        FAIL() << "the watching process never started";
    }

    int swapped = 0;
    for (int swap = 1; swap <= kSwaps; ++swap) {
        writeFile(folder / u"shop.db-new", "version " + std::to_string(swap));
        if (platform::replaceFile(path, folder / u"shop.db-new", folder / u"shop.db-backup")) ++swapped;
        platform::deleteFile(folder / u"shop.db-backup");
    }
    writeFile(signals / u"stop", "stop");

    EXPECT_EQ(kSwaps, swapped);
    EXPECT_EQ("version " + std::to_string(kSwaps), readFile(path));
    EXPECT_EQ(0, watcher.wait()) << "the other process found no file at the name at some moment";
}

}  // namespace
