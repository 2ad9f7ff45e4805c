// A database left with a hot journal: a program stopped in the middle of a transaction, and its
// rollback journal holds the pages as they were before it. Until it is rolled back, SQLite refuses
// to read the database read-only.
#pragma once

#include "base/wide_string.h"

// When a rollback journal lies beside the database at path, opens the database for writing (its
// journal mode untouched) and reads from it, which makes SQLite roll a hot journal back, as any
// program that opens the file would; the database then holds its last committed state. Does
// nothing otherwise. False when the library cannot be loaded or the database cannot be read.
bool rollBackHotJournal(const WideString& path);
