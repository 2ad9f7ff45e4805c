// SQLite's own integrity check of a database, so a user can see the damage before and the health after.
#pragma once

#include "base/wide_string.h"

// Opens the database at path read-only, changing nothing (not its journal mode, not its -wal), and runs
// PRAGMA integrity_check. Fills findings with what SQLite reports ("ok" alone for a sound
// database) and returns true when the check ran; false, with the reason in findings, when the file
// could not be opened or checked at all.
bool checkIntegrity(const WideString& path, StringArray& findings);
