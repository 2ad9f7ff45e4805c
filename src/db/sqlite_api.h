// The SQLite entry points the database object calls, bound by name from the library loaded at run
// time. The project never links SQLite: sqlite3.h only gives the entry points' types.
#pragma once

#include <functional>

#include <sqlite3.h>

#include "base/wide_string.h"
#include "db/sqlite_handles.h"
#include "platform/platform.h"

// The bound entry points, null until bind() succeeds. The first nine are those every statement
// and query uses; the rest serve the exact copy path (typed values read and bound as they are)
// the wait for a lock another program holds for a moment, and the
// row digest's function.
struct rg_ZiDingYi_sqliteHanShu {
    decltype(&sqlite3_close) close = nullptr;
    decltype(&sqlite3_open_v2) openV2 = nullptr;
    decltype(&sqlite3_prepare_v2) prepareV2 = nullptr;
    decltype(&sqlite3_step) step = nullptr;
    decltype(&sqlite3_column_text) columnText = nullptr;
    decltype(&sqlite3_finalize) finalize = nullptr;
    decltype(&sqlite3_column_int) columnInt = nullptr;
    decltype(&sqlite3_exec) exec = nullptr;
    decltype(&sqlite3_free) free = nullptr;

    decltype(&sqlite3_errmsg) errorMessage = nullptr;
    decltype(&sqlite3_column_count) columnCount = nullptr;
    decltype(&sqlite3_column_type) columnType = nullptr;
    decltype(&sqlite3_column_int64) columnInt64 = nullptr;
    decltype(&sqlite3_column_double) columnDouble = nullptr;
    decltype(&sqlite3_column_blob) columnBlob = nullptr;
    decltype(&sqlite3_column_bytes) columnBytes = nullptr;
    decltype(&sqlite3_bind_parameter_count) bindParameterCount = nullptr;
    decltype(&sqlite3_bind_null) bindNull = nullptr;
    decltype(&sqlite3_bind_int64) bindInt64 = nullptr;
    decltype(&sqlite3_bind_double) bindDouble = nullptr;
    decltype(&sqlite3_bind_text64) bindText64 = nullptr;
    decltype(&sqlite3_bind_blob64) bindBlob64 = nullptr;
    decltype(&sqlite3_reset) reset = nullptr;
    decltype(&sqlite3_get_autocommit) getAutocommit = nullptr;
    decltype(&sqlite3_busy_timeout) busyTimeout = nullptr;
    decltype(&sqlite3_errcode) errorCode = nullptr;
    decltype(&sqlite3_changes64) changes = nullptr;
    decltype(&sqlite3_db_config) dbConfig = nullptr;   // a file cut short is read up to its end (cut_short_file.h)

    // The row digest's SQL function (row_digest.h): its registration, its arguments, its result.
    decltype(&sqlite3_create_function_v2) createFunctionV2 = nullptr;
    decltype(&sqlite3_user_data) userData = nullptr;
    decltype(&sqlite3_value_type) valueType = nullptr;
    decltype(&sqlite3_value_int64) valueInt64 = nullptr;
    decltype(&sqlite3_value_double) valueDouble = nullptr;
    decltype(&sqlite3_value_blob) valueBlob = nullptr;
    decltype(&sqlite3_value_text) valueText = nullptr;
    decltype(&sqlite3_value_text16le) valueText16le = nullptr;
    decltype(&sqlite3_value_text16be) valueText16be = nullptr;
    decltype(&sqlite3_value_bytes) valueBytes = nullptr;
    decltype(&sqlite3_value_bytes16) valueBytes16 = nullptr;
    decltype(&sqlite3_value_encoding) valueEncoding = nullptr;
    decltype(&sqlite3_value_pointer) valuePointer = nullptr;
    decltype(&sqlite3_result_value) resultValue = nullptr;
    decltype(&sqlite3_result_error) resultError = nullptr;
    decltype(&sqlite3_bind_pointer) bindPointer = nullptr;

    // Looks every entry point up by its exact name. All or nothing: when one is missing the record
    // is left with every pointer null and the result is false, so that a library lacking an entry
    // point counts as one that failed to load.
    using SymbolLookup = std::function<void*(const char* name)>;
    bool bind(const SymbolLookup& lookup);

    bool operator==(const rg_ZiDingYi_sqliteHanShu&) const = default;
};

// Looks name up and stores it in field; complete becomes false when the library lacks it.
template <typename EntryPoint>
void takeEntryPoint(const rg_ZiDingYi_sqliteHanShu::SymbolLookup& lookup, const char* name, EntryPoint& field, bool& complete) {
    void* symbol = lookup(name);
    // A data pointer to a function pointer: the shape dlsym and GetProcAddress hand out.
    field = reinterpret_cast<EntryPoint>(symbol);
    complete = complete && symbol != nullptr;
}

// Loads "static-sqlite3-third" from the library folder into library and binds api to it. False,
// with both left empty, when the library is missing or lacks an entry point.
bool loadSqliteLibrary(platform::Library& library, rg_ZiDingYi_sqliteHanShu& api);
// Whether the library loads and has every entry point: a job checks it before it creates anything.
bool isSqliteLibraryUsable();
// The library's file as a user finds it beside the program: "data" + separator + its file name.
WideString sqliteLibraryFile();

// A lock another program holds for a moment (a commit, a checkpoint) is waited for this long
// before a statement gives up with "database is locked".
inline constexpr int kBusyTimeoutMs = 5000;

// The name SQLite opens the file at path by: the system's form of the path at any length
// (platform::systemPath), as UTF-8 with its terminating zero, as sqlite3_open_v2 takes it. Every
// connection is opened with the VFS that takes such names, platform::kSqliteVfs.
ByteBuffer sqliteFileName(const WideString& path);

// Opens a connection of its own with api to name (sqliteFileName's, or a URI) with flags, waiting
// kBusyTimeoutMs for a lock. Empty, with SQLite's error text in error, when it cannot be opened.
Connection openOwnConnection(const rg_ZiDingYi_sqliteHanShu& api, const ByteBuffer& name, std::uint32_t flags, WideString& error);
