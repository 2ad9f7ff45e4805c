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
    // frame still carries the header's salts; or the header (magic and version right) fails its
    // checksum or names no page size while at least one frame's worth of bytes follows it. What a
    // crash leaves is normal: a torn last frame, or the frames of an unfinished transaction, whose
    // checksums SQLite leaves stale until the commit once it rewrites one of them in place. So are
    // frames with other salts, left from an earlier generation of the log.
    bool hasUnreadableCommits = false;
};

// Reads the log at logPath (a database's path + "-wal") from start to end, one frame in memory at
// a time. A log that is absent or cannot be opened reads as an empty one.
WriteAheadLogSummary summarizeWriteAheadLog(const WideString& logPath);
