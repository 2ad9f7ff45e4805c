// A database in WAL mode keeps its newest commits in its -wal until a checkpoint copies them into
// the main file; one left in the middle of a transaction in a rollback journal mode has pages of
// that transaction in its main file until its hot -journal is rolled back. A database that is to
// be kept as one file (a backup) has SQLite settle both first, as the next program to open it would.
#pragma once

#include "base/wide_string.h"
#include "db/sqlite_api.h"

// Reads the schema of the database at path through connection, opened on it for writing: the first
// read takes the shared lock, and with it SQLite judges whether the -journal beside the file is
// hot and, when it is, rolls it back into the file and deletes it. True when no -journal remains,
// or when SQLite went past one and so judged it not hot (damage it then finds in the file counts
// as gone past): the main file alone then holds the database's last commit. False when the
// journal is still there because the read stopped before SQLite could judge it (a lock, a file
// it cannot write).
bool settlesJournal(const rg_ZiDingYi_sqliteHanShu& api, sqlite3* connection, const WideString& path);

// What became of the companions of a database that is to be kept as one file.
struct CompanionMerge {
    bool isLogMerged = true;       // false when a -wal is left beside it with what was not copied
    bool isJournalMerged = true;   // false when a hot -journal is left beside it, not rolled back
};

// Opens the database at path for writing, lets SQLite roll a hot -journal back into it
// (settlesJournal), copies every committed frame of a -wal into the main file and closes it, which
// removes the -wal and the -shm: the main file alone then holds every commit. Only for a file that
// no program uses any more: it writes to it. Nothing is opened when no -journal or -wal lies
// beside it. When the library cannot be loaded or the database cannot be opened, each companion
// that is there counts as not merged and is left as it was.
CompanionMerge mergeCompanions(const WideString& path);
