// dovrane-cli PATH, run as a script runs it: where the window would offer the salvage, a line before
// the result says how to run it, and the exit status stays the repair's.
#include <gtest/gtest.h>

#include "base/text_routines.h"
#include "fixtures/damaged_database.h"
#include "platform/platform.h"
#include "support/child_process.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"

namespace {

WideString cliProgram() { return platform::executableFolder() + asciiText(DOVRANE_CLI_FILE); }

TEST(RepairCommand, saysHowToSalvageWhereTheWindowWouldOfferIt) {
    struct Case {
        const char* what;
        bool (*damage)(const WideString& path);
        int exitStatus;
        bool offersSalvage;
    };
    const Case cases[] = {
        {"a middle leaf of orders garbled", [](const WideString& path) { return garbleTreePage(path, u"orders", TreePage::middleLeaf) > 0; }, 1, true},
        {"a value the rebuilt table would change", addRetypedColumn, 1, false},
        {"sound", [](const WideString&) { return true; }, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder, outputs;
        const WideString path = folder / u"店 铺.db";
        ASSERT_TRUE(writeShopDatabase(path, 20000) && c.damage(path));

        ChildProcess cli(cliProgram(), {toUtf8(path)}, outputs / u"stdout.txt");
        EXPECT_EQ(c.exitStatus, cli.wait());
        StringArray lines;
        (void)splitText(fromUtf8(fileBytes(outputs / u"stdout.txt")), u"\n", lines);
        while (!lines.empty() && lines.back().empty()) lines.pop_back();
        ASSERT_GE(lines.size(), 1u);
        const WideString advice = u"可以运行 dovrane-cli --salvage \"" + path + u"\" 抢救能读出的数据";
        EXPECT_EQ(c.offersSalvage, lines.size() >= 2 && lines[lines.size() - 2] == advice) << toUtf8(fromUtf8(fileBytes(outputs / u"stdout.txt")));
    }
}

}  // namespace
