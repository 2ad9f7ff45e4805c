// A salvage killed at any moment: the source keeps its bytes, and under the salvaged database's
// final name there is either nothing or the whole salvage. The kills' moments are drawn from a seed
// that the test prints; DOVRANE_KILL_SEED=<seed> draws the same moments again.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>
#include <set>
#include <thread>

#include "db/integrity_check.h"
#include "fixtures/damaged_database.h"
#include "fixtures/salvage_cases.h"
#include "jobs/database_files.h"
#include "platform/platform.h"
#include "salvage/salvage_job.h"
#include "support/child_process.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"

namespace {

// Enough rows that the salvage takes about half a second natively.
constexpr std::int64_t kNotes = 40000;
constexpr int kKills = 6;
constexpr char16_t kSalvagedPrefix[] = u"抢救数据库-";
constexpr char16_t kReportPrefix[] = u"抢救报告-";

int salvageToTheEnd(const std::vector<std::string>& arguments) {
    return salvageJob.salvageDatabase(fromUtf8(arguments.at(0))).result == kSalvageSomeLost ? 0 : 1;
}
CHILD_ROLE("salvage", salvageToTheEnd);

std::uint32_t killSeed() {
    if (const char* given = std::getenv("DOVRANE_KILL_SEED")) return static_cast<std::uint32_t>(std::strtoul(given, nullptr, 10));
    return std::random_device{}();
}

// The stamp and extension after prefix in name ("20261211053000-2.txt"), or empty when name has another prefix.
WideString afterPrefix(const WideString& name, std::u16string_view prefix) {
    return name.starts_with(prefix) ? name.substr(prefix.size()) : WideString();
}

// What the salvages stopped so far left beside the source: only unfinished temporary files,
// salvaged databases that are whole, and reports of a salvaged database that is there.
class LeftFiles {
public:
    LeftFiles(const TempFolder& folder, StringArray expectedCounts) : folder(folder), expectedCounts(std::move(expectedCounts)) {}

    // Checks every file that is new since the last call, and counts the unfinished and the finished salvages.
    void check(const WideString& sourceName) {
        for (const WideString& name : folder.fileNames()) {
            if (name == sourceName || !seen.insert(name).second) continue;
            SCOPED_TRACE(toUtf8(name));
            if (const WideString building = afterPrefix(name, kTempPrefix); !building.empty()) {
                if (building.ends_with(u".db")) ++unfinished;
            } else if (const WideString salvaged = afterPrefix(name, kSalvagedPrefix); !salvaged.empty()) {
                ASSERT_TRUE(salvaged.ends_with(u".db")) << "a companion beside a finished salvage";
                StringArray findings;
                EXPECT_TRUE(checkIntegrity(folder / name, findings) && findings == StringArray{u"ok"});
                EXPECT_EQ(expectedCounts, readColumn(folder / name, u"SELECT count(*) FROM notes UNION ALL SELECT count(*) FROM tags"));
                ++finished;
            } else if (const WideString report = afterPrefix(name, kReportPrefix); !report.empty()) {
                const WideString stamp = report.substr(0, report.rfind(u'.'));
                EXPECT_TRUE(platform::pathExists(folder / (kSalvagedPrefix + stamp + u".db"))) << "a report without its salvaged database";
            } else {
                ADD_FAILURE() << "a file no salvage writes";
            }
        }
    }

    int unfinished = 0;
    int finished = 0;

private:
    const TempFolder& folder;
    StringArray expectedCounts;
    std::set<WideString> seen;
};

TEST(SalvageKill, aSalvageKilledAtAnyMomentLeavesTheSourceAndNothingHalfWrittenUnderTheFinalName) {
    TempFolder folder;
    const WideString path = folder / u"notes.db";
    ASSERT_TRUE(writeNotes(path, kNotes));
    const std::int64_t leafRows = cellsOnGarbledLeaf(path, u"notes");
    ASSERT_TRUE(garbleNotesLeaf(path));
    const std::string sourceBytes = fileBytes(path);
    LeftFiles left(folder, {decimalText(kNotes - leafRows), u"3"});

    // One salvage run to its end: the kills are spread over its time, from the child's start on.
    const std::uint32_t started = platform::tickCount();
    ASSERT_EQ(0, ChildProcess("salvage", {toUtf8(path)}).wait());
    const std::uint32_t duration = platform::tickCount() - started;
    left.check(u"notes.db");
    ASSERT_EQ(1, left.finished);

    const std::uint32_t seed = killSeed();
    std::cout << "[ seed     ] DOVRANE_KILL_SEED=" << seed << ", kills within " << duration << " ms\n";
    // Each kill comes after a share of that time, which the seed decides.
    std::mt19937 moments(seed);
    std::uniform_int_distribution<std::uint32_t> percent(0, 100);
    for (int kill = 1; kill <= kKills; ++kill) {
        const std::uint32_t share = percent(moments);
        const std::uint32_t milliseconds = duration * share / 100;
        SCOPED_TRACE("DOVRANE_KILL_SEED=" + std::to_string(seed) + ": kill " + std::to_string(kill) + " after " + std::to_string(share) +
                     "% of the time, " + std::to_string(milliseconds) + " ms");
        ChildProcess salvage("salvage", {toUtf8(path)});
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        salvage.kill();
        EXPECT_EQ(sourceBytes, fileBytes(path)) << "the source changed";
        left.check(u"notes.db");
    }
    const int afterTheEnd = left.finished - 1;
    std::cout << "[ kills    ] " << kKills - left.unfinished - afterTheEnd << " before the temporary file, " << left.unfinished
              << " while it was built, " << afterTheEnd << " after the end\n";
}

}  // namespace
