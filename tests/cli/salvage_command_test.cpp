// dovrane-cli --salvage, run as a user runs it, over the damaged databases the salvage job is tried
// on: its exit status and result line, the files it leaves beside the source, and a source that
// keeps its bytes.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/text_routines.h"
#include "fixtures/salvage_cases.h"
#include "platform/platform.h"
#include "salvage/salvage_job.h"
#include "support/child_process.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"

namespace {

// dovrane-cli is built beside the test program.
WideString cliProgram() { return platform::executableFolder() + asciiText(DOVRANE_CLI_FILE); }

TEST(SalvageCommand, savesWhatCanBeReadBesideTheSourceAndSaysWhetherAnythingWasLost) {
    for (const SalvageCase& c : salvageCases()) {
        SCOPED_TRACE(c.what);
        TempFolder folder, outputs;
        const WideString path = folder / u"笔记 本.db";
        ASSERT_TRUE(writeNotes(path) && c.damage(path));
        const std::string sourceBytes = fileBytes(path);

        ChildProcess cli(cliProgram(), {"--salvage", toUtf8(path)}, outputs / u"stdout.txt");
        EXPECT_EQ(c.isNothingLost ? 0 : 3, cli.wait());
        EXPECT_EQ(sourceBytes, fileBytes(path)) << "the source changed";
        // Beside the source: the salvaged database and its two reports, under one stamp.
        const StringArray names = folder.fileNames();
        const auto salvaged = std::find_if(names.begin(), names.end(), [](const WideString& name) { return name.starts_with(u"抢救数据库-"); });
        ASSERT_NE(names.end(), salvaged) << "no salvaged database";
        const WideString stamp = salvaged->substr(6, salvaged->size() - 9);
        EXPECT_EQ((StringArray{u"抢救报告-" + stamp + u".json", u"抢救报告-" + stamp + u".txt", u"抢救数据库-" + stamp + u".db", u"笔记 本.db"}), names);
        EXPECT_TRUE(fileBytes(folder / (u"抢救数据库-" + stamp + u".db")).starts_with(std::string("SQLite format 3", 16)));
        // The report, then the line that names its file, then the result.
        StringArray lines;
        (void)splitText(fromUtf8(fileBytes(outputs / u"stdout.txt")), u"\n", lines);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(u"抢救报告:" + platform::folderOf(platform::resolvedPath(path)) + u"抢救报告-" + stamp + u".txt", lines[lines.size() - 2]);
        EXPECT_EQ(c.isNothingLost ? kSalvageNothingLost : kSalvageSomeLost, lines.back());
    }
}

}  // namespace
