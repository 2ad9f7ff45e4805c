// How a job comes to read its source: the checks before anything is read or created (the database
// library, the file), the state of the source's -wal, its version, and the private copy read in
// its place (db/private_copy). The repair and the salvage open their source through it alike.
#pragma once

#include <optional>
#include <string>

#include "base/wide_string.h"
#include "db/database.h"
#include "db/private_copy.h"
#include "db/write_ahead_log.h"
#include "platform/platform.h"

class SourceReading {
public:
    enum class Failure {
        none,
        libraryUnusable,   // the database library cannot be loaded: sqliteLibraryFile() names it
        notFound,
        notAFile,          // a folder or a pipe: never read, nothing created beside it
        notCopied,         // the private copy could not be made: copyError() says why
        notRolledBack,     // SQLite could not roll the journal back in the copy
    };

    SourceReading() = default;
    SourceReading(const SourceReading&) = delete;
    SourceReading& operator=(const SourceReading&) = delete;

    // Checks, before anything is read or created, that the library loads and that path is a
    // regular file; then resolves it (the real file behind a symbolic link, made absolute), reads
    // the state of its -wal as SQLite would read it (before any copy: SQLite's reading takes in
    // an older state without an error where the -wal is damaged) and takes its version. The first
    // failure, or none.
    Failure check(const WideString& path);
    // After a check without failure: the private copy, when the source has a companion to take
    // in, and whether the file read is cut short. Every connection to readPath() must be closed
    // before this object goes.
    Failure open();

    const WideString& sourcePath() const { return resolved; }
    // The source's folder, ending in a separator.
    const WideString& folder() const { return sourceFolder; }
    // The -wal's state as check() read it; empty for a source not in WAL.
    const WriteAheadLogSummary& log() const { return logSummary; }
    // The source's databaseVersion, taken before the copy, so that a write while it is made
    // shows at a later comparison.
    const std::string& version() const { return sourceVersion; }

    // After open() without failure: the file to read (the copy, or the source itself).
    const WideString& readPath() const { return copy->readPath(); }
    bool rolledBackJournal() const { return copy->rolledBackJournal(); }
    platform::FileError copyError() const { return copy ? copy->copyError() : platform::FileError::none; }
    // Whether the file read is shorter than its header says, and how its connections read it: up
    // to its real end when it is, so that every page within the file is read as in any other.
    bool isCutShort() const { return isShort; }
    ShortFileReading shortFileReading() const { return isShort ? ShortFileReading::upToFileEnd : ShortFileReading::refused; }

private:
    WideString resolved;
    WideString sourceFolder;
    WriteAheadLogSummary logSummary;
    std::string sourceVersion;
    std::optional<PrivateCopy> copy;
    bool isShort = false;
};
