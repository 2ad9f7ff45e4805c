// A database file cut short (a copy or a sync that stopped part way): shorter than the page count
// its header promises. SQLite refuses such a file's b-trees as damaged unless the connection's
// writable_schema flag is set; with it, SQLite reads the file up to its real end, and the pages past
// that end are missing pages, which its reads and its integrity check meet as damage.
#pragma once

#include "base/wide_string.h"

// Whether the database file at path is shorter than its header's page count (bytes 28 to 31,
// which SQLite trusts only while they are not 0 and the change counter at bytes 24 to 27 equals the
// number at 92 to 95) in whole pages. False for a file whose header cannot be read.
bool isCutShort(const WideString& path);
