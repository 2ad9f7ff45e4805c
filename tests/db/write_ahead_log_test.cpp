// Reading a -wal as SQLite does: where its commits end, when commits lie past the point where
// SQLite stops reading, and when it leaves the last commit out.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "db/write_ahead_log.h"
#include "fixtures/damaged_database.h"
#include "fixtures/live_log.h"
#include "support/temp_folder.h"

namespace {

// Ten transactions of their own, of 20 rows and a few pages each.
WideString tenCommits() {
    WideString statements;
    for (const char16_t letter : u"abcdefghij")
        if (letter) statements += u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20) "
                                  u"INSERT INTO notes (body) SELECT printf('%.300c', '" + WideString(1, letter) + u"') FROM n;";
    return statements;
}
const WideString kCommits = tenCommits();
const WideString kUnfinished = u"PRAGMA cache_size = 1; BEGIN; UPDATE notes SET body = body || printf('%.300c', 'x');";

enum class Reads { everyFrame, someFrames, noCommit };

void resize(const WideString& path, std::uintmax_t size) { std::filesystem::resize_file(std::filesystem::path(path), size); }

TEST(WriteAheadLog, findsCommitsThatSqliteWouldNotRead) {
    struct Case {
        const char* what;
        const WideString statements;
        std::function<void(const WideString& log, std::int64_t frames)> damage;
        bool hasUnreadableCommits;
        Reads reads;
        bool hasUnappliedLastCommit = false;
    };
    const auto none = [](const WideString&, std::int64_t) {};
    const Case cases[] = {
        {"intact", kCommits, none, false, Reads::everyFrame},
        {"one middle frame's page", kCommits, [](const WideString& log, std::int64_t frames) { ASSERT_TRUE(garbleLogFrame(log, frames / 2)); },
         true, Reads::someFrames},
        {"the header's checksum", kCommits, [](const WideString& log, std::int64_t) { ASSERT_TRUE(garbleLogHeader(log)); }, true,
         Reads::noCommit},
        // A crash leaves these. SQLite does not apply a transaction whose commit frame is damaged.
        {"the last commit frame torn", kCommits, [](const WideString& log, std::int64_t frames) { ASSERT_TRUE(garbleLogFrame(log, frames)); },
         false, Reads::someFrames, true},
        {"the last commit frame cut short", kCommits,
         [](const WideString& log, std::int64_t) { resize(log, std::filesystem::file_size(std::filesystem::path(log)) - 100); }, false,
         Reads::someFrames, true},
        // Its rows grow, so pages split and frames it wrote are written again in place: SQLite leaves
        // the first of them with stale checksums, and the frames after it with none, until the commit.
        {"an unfinished transaction that rewrote its own frames", kCommits + kUnfinished, none, false, Reads::someFrames},
        {"an unfinished transaction's last frame torn", kCommits + kUnfinished,
         [](const WideString& log, std::int64_t frames) { ASSERT_TRUE(garbleLogFrame(log, frames)); }, false, Reads::someFrames},
        // Its commit frame written, with the zero salts and checksums of the frames after one it
        // rewrote, but not yet the checksums SQLite fills in once the commit frame is written.
        {"a commit frame still waiting for its checksums", kCommits + kUnfinished,
         [](const WideString& log, std::int64_t frames) { ASSERT_TRUE(markLogFrameCommit(log, frames, 100)); }, false, Reads::someFrames, true},
        {"a damaged header with no whole frame behind it", kCommits,
         [](const WideString& log, std::int64_t) {
             ASSERT_TRUE(garbleLogHeader(log));
             resize(log, 32 + 24 + 100);
         },
         false, Reads::noCommit},
        {"header only", kCommits, [](const WideString& log, std::int64_t) { resize(log, 32); }, false, Reads::noCommit},
        {"empty", kCommits, [](const WideString& log, std::int64_t) { resize(log, 0); }, false, Reads::noCommit},
        {"absent", kCommits, [](const WideString& log, std::int64_t) { ASSERT_TRUE(std::filesystem::remove(std::filesystem::path(log))); },
         false, Reads::noCommit},
        // After a checkpoint the log starts again from its first frame with new salts; the frames
        // of the longer earlier log stay behind the new ones.
        {"frames of an earlier log behind the new ones", kCommits + u"PRAGMA wal_checkpoint(RESTART); INSERT INTO notes (body) VALUES ('after');",
         none, false, Reads::someFrames},
        // The same salts and checksum a checkpoint would give the header, over frames no checkpoint
        // wrote into the main file: SQLite reads none of them.
        {"a header renewed over commits", kCommits, [](const WideString& log, std::int64_t) { ASSERT_TRUE(renewLogSalts(log)); }, true,
         Reads::noCommit},
        {"a header renewed over a new log in front of an earlier one",
         kCommits + u"PRAGMA wal_checkpoint(RESTART); INSERT INTO notes (body) VALUES ('after');",
         [](const WideString& log, std::int64_t) { ASSERT_TRUE(renewLogSalts(log)); }, true, Reads::noCommit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"notes.db";
        ASSERT_TRUE(writeDatabase(path, {u"CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT)", u"INSERT INTO notes (body) VALUES ('first')"}));
        const WideString copy = folder / u"copy.db";
        ASSERT_TRUE(copyWhileOpen(path, c.statements, copy));
        const WideString log = copy + u"-wal";
        const std::int64_t frames = logFrameCount(log);
        ASSERT_GE(frames, 10);
        c.damage(log, frames);

        const WriteAheadLogSummary summary = summarizeWriteAheadLog(log);
        EXPECT_EQ(c.hasUnreadableCommits, summary.hasUnreadableCommits);
        EXPECT_EQ(c.hasUnappliedLastCommit, summary.hasUnappliedLastCommit);
        switch (c.reads) {
        case Reads::everyFrame: EXPECT_EQ(frames, summary.lastCommitFrame); break;
        case Reads::someFrames:
            EXPECT_GT(summary.lastCommitFrame, 0u);
            EXPECT_LT(summary.lastCommitFrame, frames);
            break;
        case Reads::noCommit: EXPECT_EQ(0u, summary.lastCommitFrame); break;
        }
    }
}

}  // namespace
