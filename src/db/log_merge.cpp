#include "db/log_merge.h"

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

bool settlesJournal(const rg_ZiDingYi_sqliteHanShu& api, sqlite3* connection, const WideString& path) {
    int result = SQLITE_OK;
    {
        sqlite3_stmt* prepared = nullptr;
        result = api.prepareV2(connection, "SELECT COUNT(*) FROM sqlite_master", -1, &prepared, nullptr);
        const Statement statement(prepared, api.finalize);
        if (statement.isOpen()) result = api.step(statement.get());
    }
    // Damage (corruption, not a database) is found only after the journal is dealt with.
    return !platform::pathExists(path + u"-journal") || result == SQLITE_ROW || result == SQLITE_CORRUPT || result == SQLITE_NOTADB;
}

CompanionMerge mergeCompanions(const WideString& path) {
    const WideString log = path + u"-wal", journal = path + u"-journal";
    CompanionMerge merge;
    merge.isLogMerged = !platform::pathExists(log);
    merge.isJournalMerged = !platform::pathExists(journal);
    if (merge.isLogMerged && merge.isJournalMerged) return merge;
    platform::Library library;
    rg_ZiDingYi_sqliteHanShu api;
    if (!loadSqliteLibrary(library, api)) return merge;
    {
        WideString error;   // the result says it all
        const Connection connection = openOwnConnection(api, sqliteFileName(path), SQLITE_OPEN_READWRITE, error);
        if (!connection.isOpen()) return merge;
        // The journal first: SQLite rolls a hot one back before it opens a -wal.
        merge.isJournalMerged = settlesJournal(api, connection.get(), path);
        if (!merge.isLogMerged && !checkpointsWhole(api, connection.get())) return merge;
    }
    // The last connection's close removes the emptied -wal and the -shm.
    merge.isLogMerged = !platform::pathExists(log);
    return merge;
}
