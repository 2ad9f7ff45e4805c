// The integrity check opens its own connection: the database object would switch the file to WAL,
// and a check must change nothing. It opens read-write when it may (without creating anything),
// so that closing it tidies SQLite's -wal and -shm files away as usual; read-only otherwise.
#include "db/integrity_check.h"

#include "db/sqlite_api.h"
#include "db/sqlite_handles.h"
#include "platform/platform.h"

bool checkIntegrity(const WideString& path, StringArray& findings) {
    findings.clear();
    const platform::Library library = platform::Library::load(WideString(u"static-sqlite3-third") + platform::kLibrarySuffix);
    rg_ZiDingYi_sqliteHanShu api;
    if (!library.isLoaded() || !api.bind([&library](const char* name) { return library.symbol(name); })) {
        findings.push_back(u"the SQLite library in the data folder cannot be loaded");
        return false;
    }
    if (!platform::pathExists(path)) {
        findings.push_back(u"no such file: " + path);
        return false;
    }
    const ByteBuffer name = utf8WithZero(path);
    sqlite3* handle = nullptr;
    int opened = api.openV2(reinterpret_cast<const char*>(name.data()), &handle, SQLITE_OPEN_READWRITE, nullptr);
    if (opened != SQLITE_OK) {
        (void)api.close(handle);
        handle = nullptr;
        opened = api.openV2(reinterpret_cast<const char*>(name.data()), &handle, SQLITE_OPEN_READONLY, nullptr);
    }
    const Connection connection(handle, api.close);
    if (opened != SQLITE_OK) {
        findings.push_back(fromUtf8(handle ? api.errorMessage(handle) : "cannot open the database"));
        return false;
    }
    sqlite3_stmt* prepared = nullptr;
    (void)api.prepareV2(connection.get(), "PRAGMA integrity_check", -1, &prepared, nullptr);
    const Statement statement(prepared, api.finalize);
    if (!statement.isOpen()) {
        findings.push_back(fromUtf8(api.errorMessage(connection.get())));
        return false;
    }
    int stepped = SQLITE_ROW;
    while ((stepped = api.step(statement.get())) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(api.columnText(statement.get(), 0));
        findings.push_back(fromUtf8(text ? text : ""));
    }
    if (stepped != SQLITE_DONE) {
        findings.push_back(fromUtf8(api.errorMessage(connection.get())));
        return false;
    }
    return true;
}
