// The -wal beside a database in WAL mode, read as SQLite reads it when no connection has it open:
// which committed transaction it ends with, and whether committed transactions lie past the point
// where SQLite stops reading, which SQLite then ignores without an error.
#pragma once

#include <cstdint>

#include "base/wide_string.h"

struct WriteAheadLogSummary {
    // The last commit frame SQLite reads (frames count from 1), the header's salts, and the running
    // checksum that ends in that frame. lastCommitFrame is 0, and the rest too, when SQLite reads no
    // commit from the log: absent, empty, header only, damaged header, damaged first commit.
    std::uint32_t lastCommitFrame = 0;
    std::uint32_t salts[2] = {};
    std::uint32_t checksums[2] = {};
    // Committed transactions may be unreadable: after the first frame SQLite rejects, a commit
    // frame still carries the header's salts; the header (magic and version right) fails its
    // checksum or names no page size while at least one frame's worth of bytes follows it; or the
    // frames under other salts behind the stop commit a page whose last image there the main file
    // does not hold and no frame SQLite reads rewrites: only what a finished checkpoint wrote is
    // left from an earlier generation of the log (see db/log_generations.h). What a crash leaves is
    // normal: a torn last frame, or the frames of an unfinished transaction, whose checksums SQLite
    // leaves stale or unwritten until the commit once it rewrites one of them in place.
    bool hasUnreadableCommits = false;
    // The last transaction's commit frame is there but damaged or cut short, and no whole commit
    // frame of the header's salts follows it: SQLite does not apply that transaction, as after a
    // crash. An unfinished transaction that never wrote its commit frame does not count.
    bool hasUnappliedLastCommit = false;
};

// Reads the log at logPath (a database's path + "-wal") from start to end, one frame in memory at
// a time, and reads pages of the database's main file (never writes it) to compare with frames of
// an earlier generation. A log that is absent or cannot be opened reads as an empty one.
WriteAheadLogSummary summarizeWriteAheadLog(const WideString& logPath);
