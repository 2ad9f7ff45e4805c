#include "db/hot_journal.h"

#include "db/sqlite_api.h"
#include "db/sqlite_handles.h"
#include "platform/platform.h"

bool rollBackHotJournal(const WideString& path) {
    if (!platform::pathExists(path + u"-journal")) return true;
    platform::Library library;
    rg_ZiDingYi_sqliteHanShu api;
    if (!loadSqliteLibrary(library, api)) return false;
    WideString error;   // the false result says it all
    const Connection connection = openOwnConnection(api, utf8WithZero(path), SQLITE_OPEN_READWRITE, error);
    if (!connection.isOpen()) return false;
    sqlite3_stmt* prepared = nullptr;
    (void)api.prepareV2(connection.get(), "SELECT COUNT(*) FROM sqlite_master", -1, &prepared, nullptr);
    const Statement statement(prepared, api.finalize);
    return statement.isOpen() && api.step(statement.get()) == SQLITE_ROW;
}
