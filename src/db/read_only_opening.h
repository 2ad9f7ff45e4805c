// How a database file is handed to SQLite to be read without a byte written to it or beside it.
#pragma once

#include <cstdint>

#include "base/wide_string.h"

struct ReadOnlyOpening {
    ByteBuffer name;       // for sqlite3_open_v2: UTF-8 with its terminating zero
    std::uint32_t flags;   // SQLITE_OPEN_READONLY, with SQLITE_OPEN_URI when name is a URI
};

// Whether the file is a database in WAL mode, by its header (read and write versions both 2).
bool isWalDatabase(const WideString& path);

// The file's path, read-only. A database in WAL mode whose -wal is absent has nothing to read in
// one, yet SQLite would create a -wal and a -shm beside it that a read-only reader cannot remove
// again: such a file is named by a URI that opens it immutable (no -wal, no locks). A reader of it
// does not see another program's writes meanwhile; whoever relies on them compares the file's
// version before and after. asUri: always a URI (with mode=ro when not immutable), as ATTACH needs
// to open a file read-only.
ReadOnlyOpening readOnlyOpening(const WideString& path, bool asUri);
