#include "db/hot_journal.h"

#include "db/sqlite_api.h"
#include "db/sqlite_handles.h"
#include "platform/platform.h"

namespace {

constexpr int kBusyTimeoutMs = 5000;

}  // namespace

bool rollBackHotJournal(const WideString& path) {
    if (!platform::pathExists(path + u"-journal")) return true;
    platform::Library library;
    rg_ZiDingYi_sqliteHanShu api;
    if (!loadSqliteLibrary(library, api)) return false;
    const ByteBuffer name = utf8WithZero(path);
    sqlite3* handle = nullptr;
    const int opened = api.openV2(reinterpret_cast<const char*>(name.data()), &handle, SQLITE_OPEN_READWRITE, nullptr);
    const Connection connection(handle, api.close);
    if (opened != SQLITE_OK) return false;
    (void)api.busyTimeout(connection.get(), kBusyTimeoutMs);
    sqlite3_stmt* prepared = nullptr;
    (void)api.prepareV2(connection.get(), "SELECT COUNT(*) FROM sqlite_master", -1, &prepared, nullptr);
    const Statement statement(prepared, api.finalize);
    return statement.isOpen() && api.step(statement.get()) == SQLITE_ROW;
}
