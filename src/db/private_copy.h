// The source as SQLite would read it, without a byte written to it or beside it. A database with a
// rollback journal or a -wal beside it cannot be read as it lies without writing: a hot journal is
// rolled back into the file, and the -wal's index (-shm) is made beside it. Such a database is
// copied with its companion into a private folder, where SQLite opens the copy for writing, as the
// next program to open the source would: SQLite decides whether the journal is hot and rolls it
// back, and takes the -wal's rows in. The run then reads the copy.
#pragma once

#include "base/wide_string.h"
#include "platform/platform.h"

class PrivateCopy {
public:
    enum class Failure {
        none,
        notCopied,       // the folder or a file could not be made: copyError says why
        notRolledBack,   // SQLite could not roll the journal back in the copy
    };

    // Copies the database at sourcePath and its -journal or -wal when one lies beside it; reads the
    // source in place otherwise. The source's own files are only read. Before a copy is made, the
    // private folders that earlier runs left when they were stopped (their process has ended) are
    // deleted; those of runs still going are left alone.
    explicit PrivateCopy(const WideString& sourcePath);
    PrivateCopy(const PrivateCopy&) = delete;
    PrivateCopy& operator=(const PrivateCopy&) = delete;
    // Deletes the copy and its folder, whatever happened. Every connection to the copy must be
    // closed by then: Windows deletes no file that is open.
    ~PrivateCopy();

    // The file to read: the copy, or the source itself when it needed none. Valid without a failure.
    const WideString& readPath() const { return path; }
    Failure failure() const { return failed; }
    platform::FileError copyError() const { return copyFailure; }
    // SQLite rolled a hot journal back in the copy, which now holds other bytes than the source.
    bool rolledBackJournal() const { return rolledBack; }

private:
    // The private folder, named after this process, ending in a separator; empty when none was made.
    WideString folder;
    WideString path;
    Failure failed = Failure::none;
    platform::FileError copyFailure = platform::FileError::none;
    bool rolledBack = false;
};
