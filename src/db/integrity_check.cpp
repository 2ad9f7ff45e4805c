// The check opens a connection of its own, read-only: a check must change nothing. A database with
// a journal or a -wal beside it is checked as SQLite sees it, through a private copy.
#include "db/integrity_check.h"

#include "base/text_routines.h"
#include "db/private_copy.h"
#include "db/read_only_opening.h"
#include "db/sqlite_api.h"
#include "db/sqlite_handles.h"
#include "platform/platform.h"

bool checkIntegrity(const WideString& path, StringArray& findings) {
    findings.clear();
    platform::Library library;
    rg_ZiDingYi_sqliteHanShu api;
    if (!loadSqliteLibrary(library, api)) {
        findings.push_back(u"the SQLite library in the data folder cannot be loaded");
        return false;
    }
    if (!platform::pathExists(path)) {
        findings.push_back(u"no such file: " + path);
        return false;
    }
    if (!platform::isRegularFile(path)) {   // SQLite would wait on a pipe for a writer forever
        findings.push_back(u"not a database file: " + path);
        return false;
    }
    const PrivateCopy reading(path);   // outlives the connection to it
    if (reading.failure() != PrivateCopy::Failure::none) {
        findings.push_back(reading.failure() == PrivateCopy::Failure::notCopied ? u"the database cannot be copied to the temporary folder to be read"
                                                                                : u"the hot journal cannot be rolled back");
        return false;
    }
    const ReadOnlyOpening opening = readOnlyOpening(reading.readPath(), false);
    WideString error;
    const Connection connection = openOwnConnection(api, opening.name, opening.flags, error);
    if (!connection.isOpen()) {
        findings.push_back(error);
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
        // SQLite puts the findings of one database in one row, a line each.
        StringArray lines;
        (void)splitText(fromUtf8(text ? text : ""), u"\n", lines);
        findings.insert(findings.end(), lines.begin(), lines.end());
    }
    if (stepped != SQLITE_DONE) {
        findings.push_back(fromUtf8(api.errorMessage(connection.get())));
        return false;
    }
    return true;
}
