// Binding the SQLite entry points by name, all or nothing.
#include "db/sqlite_api.h"

#include <utility>

bool rg_ZiDingYi_sqliteHanShu::bind(const SymbolLookup& lookup) {
    rg_ZiDingYi_sqliteHanShu bound;
    bool complete = true;
    const auto take = [&](const char* name, auto& field) { takeEntryPoint(lookup, name, field, complete); };
    take("sqlite3_close", bound.close);
    take("sqlite3_open_v2", bound.openV2);
    take("sqlite3_prepare_v2", bound.prepareV2);
    take("sqlite3_step", bound.step);
    take("sqlite3_column_text", bound.columnText);
    take("sqlite3_finalize", bound.finalize);
    take("sqlite3_column_int", bound.columnInt);
    take("sqlite3_exec", bound.exec);
    take("sqlite3_free", bound.free);
    take("sqlite3_errmsg", bound.errorMessage);
    take("sqlite3_column_count", bound.columnCount);
    take("sqlite3_column_type", bound.columnType);
    take("sqlite3_column_int64", bound.columnInt64);
    take("sqlite3_column_double", bound.columnDouble);
    take("sqlite3_column_blob", bound.columnBlob);
    take("sqlite3_column_bytes", bound.columnBytes);
    take("sqlite3_bind_parameter_count", bound.bindParameterCount);
    take("sqlite3_bind_null", bound.bindNull);
    take("sqlite3_bind_int64", bound.bindInt64);
    take("sqlite3_bind_double", bound.bindDouble);
    take("sqlite3_bind_text64", bound.bindText64);
    take("sqlite3_bind_blob64", bound.bindBlob64);
    take("sqlite3_reset", bound.reset);
    take("sqlite3_get_autocommit", bound.getAutocommit);
    take("sqlite3_busy_timeout", bound.busyTimeout);
    take("sqlite3_errcode", bound.errorCode);
    take("sqlite3_changes64", bound.changes);
    take("sqlite3_db_config", bound.dbConfig);
    take("sqlite3_create_function_v2", bound.createFunctionV2);
    take("sqlite3_user_data", bound.userData);
    take("sqlite3_value_type", bound.valueType);
    take("sqlite3_value_int64", bound.valueInt64);
    take("sqlite3_value_double", bound.valueDouble);
    take("sqlite3_value_blob", bound.valueBlob);
    take("sqlite3_value_text", bound.valueText);
    take("sqlite3_value_text16le", bound.valueText16le);
    take("sqlite3_value_text16be", bound.valueText16be);
    take("sqlite3_value_bytes", bound.valueBytes);
    take("sqlite3_value_bytes16", bound.valueBytes16);
    take("sqlite3_value_encoding", bound.valueEncoding);
    take("sqlite3_value_pointer", bound.valuePointer);
    take("sqlite3_result_value", bound.resultValue);
    take("sqlite3_result_error", bound.resultError);
    take("sqlite3_bind_pointer", bound.bindPointer);
    *this = complete ? bound : rg_ZiDingYi_sqliteHanShu{};
    return complete;
}

namespace {

WideString libraryFileName() { return WideString(u"static-sqlite3-third") + platform::kLibrarySuffix; }

}  // namespace

bool loadSqliteLibrary(platform::Library& library, rg_ZiDingYi_sqliteHanShu& api) {
    platform::Library loaded = platform::Library::load(libraryFileName());
    if (!loaded.isLoaded() || !api.bind([&loaded](const char* name) { return loaded.symbol(name); })) return false;
    library = std::move(loaded);
    return true;
}

bool isSqliteLibraryUsable() {
    platform::Library library;
    rg_ZiDingYi_sqliteHanShu api;
    return loadSqliteLibrary(library, api);
}

WideString sqliteLibraryFile() { return u"data" + WideString(1, platform::kPathSeparator) + libraryFileName(); }

ByteBuffer sqliteFileName(const WideString& path) { return utf8WithZero(platform::systemPath(path)); }

Connection openOwnConnection(const rg_ZiDingYi_sqliteHanShu& api, const ByteBuffer& name, std::uint32_t flags, WideString& error) {
    sqlite3* handle = nullptr;
    const int opened = api.openV2(reinterpret_cast<const char*>(name.data()), &handle, static_cast<int>(flags), platform::kSqliteVfs);
    Connection connection(handle, api.close);
    if (opened != SQLITE_OK) {
        error = fromUtf8(handle ? api.errorMessage(handle) : "cannot open the database");
        return {};
    }
    (void)api.busyTimeout(handle, kBusyTimeoutMs);
    return connection;
}
