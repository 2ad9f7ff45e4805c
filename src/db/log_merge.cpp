#include "db/log_merge.h"

#include "db/sqlite_api.h"
#include "db/sqlite_handles.h"
#include "platform/platform.h"

namespace {

// PRAGMA wal_checkpoint(TRUNCATE) gives one row: busy, frames in the log, frames copied. Busy is
// 0 only when every frame was copied and the log emptied.
bool checkpointsWhole(const rg_ZiDingYi_sqliteHanShu& api, sqlite3* connection) {
    sqlite3_stmt* prepared = nullptr;
    (void)api.prepareV2(connection, "PRAGMA wal_checkpoint(TRUNCATE)", -1, &prepared, nullptr);
    const Statement statement(prepared, api.finalize);
    return statement.isOpen() && api.step(statement.get()) == SQLITE_ROW && api.columnInt(statement.get(), 0) == 0;
}

}  // namespace

bool mergeWriteAheadLog(const WideString& path) {
    const WideString log = path + u"-wal";
    if (!platform::pathExists(log)) return true;
    platform::Library library;
    rg_ZiDingYi_sqliteHanShu api;
    if (!loadSqliteLibrary(library, api)) return false;
    {
        WideString error;   // the false result says it all
        const Connection connection = openOwnConnection(api, sqliteFileName(path), SQLITE_OPEN_READWRITE, error);
        if (!connection.isOpen() || !checkpointsWhole(api, connection.get())) return false;
    }
    // The last connection's close removes the emptied -wal and the -shm.
    return !platform::pathExists(log);
}
