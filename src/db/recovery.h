// SQLite's recovery extension, bound at run time from the bundled library as optional entry
// points: a library without them still repairs, and recovery then reports that it is unavailable.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <sqlite3.h>
#include <sqlite3recover.h>

#include "base/wide_string.h"
#include "db/sqlite_api.h"

// The recovery entry points, all or none.
struct RecoveryEntryPoints {
    decltype(&sqlite3_recover_init) init = nullptr;
    decltype(&sqlite3_recover_config) config = nullptr;
    decltype(&sqlite3_recover_step) step = nullptr;
    decltype(&sqlite3_recover_errmsg) errorMessage = nullptr;
    decltype(&sqlite3_recover_errcode) errorCode = nullptr;
    decltype(&sqlite3_recover_finish) finish = nullptr;
    // What watches the rows the recovery writes (recovery.cpp).
    decltype(&sqlite3_auto_extension) autoExtension = nullptr;
    decltype(&sqlite3_reset_auto_extension) resetAutoExtensions = nullptr;
    decltype(&sqlite3_update_hook) updateHook = nullptr;
    decltype(&sqlite3_db_filename) databaseFileName = nullptr;

    // Looks every entry point up by name; when one is missing, all stay null and the result is false.
    bool bind(const rg_ZiDingYi_sqliteHanShu::SymbolLookup& lookup);
};

// Recovers what can be read from the database at sourcePath into the new, empty database file at
// outputPath: every table, index, view and trigger that can be rebuilt, rows that cannot be placed
// in their table in the table named lostAndFound (a name the source's tables do not use), rowids kept, freelist pages ignored (deleted rows
// are not brought back), and the header values (encoding, page size, user_version,
// application_id) where readable. The source is opened read-only and never written. rowWritten is
// called on this thread for every row written into a table of the output (a table without rowid's
// rows excepted), with the table's name and its rows written so far. True when the recovery ran to
// its end; otherwise false with the reason in error (recovery unavailable in the library included).
using RowWritten = std::function<void(const std::string& table, std::int64_t rows)>;
bool recoverDatabase(const WideString& sourcePath, const WideString& outputPath, const WideString& lostAndFound, const RowWritten& rowWritten,
                     WideString& error);
