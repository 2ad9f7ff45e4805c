// The exact copy path: rows read with their storage classes into a typed page, and pages written
// back with every value bound as it is, never passed through SQL text.
#include "db/database.h"
#include "db/diagnostic_texts.h"
#include "db/reader_statement.h"

QueryOutcome rg_MoKuai_class_sqliteShuJuKu::queryPage(const WideString& statement, TypedPage& page,
                                                     std::span<const TypedValue> parameters) {
    page.clear(0);
    if (!isBound()) return {};
    const std::uint32_t start = platform::tickCount();
    const QueryOutcome outcome = onReader(statement, parameters, nullptr, [&](sqlite3_stmt* query) {
        page.clear(api.columnCount(query));
        int stepped = SQLITE_ROW;
        while ((stepped = api.step(query)) == SQLITE_ROW) readRow(query, page);
        return stepped;
    });
    finishQuery(kLabelQueryArray, statement, start, outcome);
    return outcome;
}

QueryOutcome rg_MoKuai_class_sqliteShuJuKu::queryEachRow(const WideString& statement, std::span<const TypedValue> parameters,
                                                        const std::function<bool(const TypedPage& row)>& onRow) {
    if (!isBound()) return {};
    const std::uint32_t start = platform::tickCount();
    const QueryOutcome outcome = onReader(statement, parameters, nullptr, [&](sqlite3_stmt* query) {
        TypedPage row;
        int stepped = SQLITE_ROW;
        while ((stepped = api.step(query)) == SQLITE_ROW) {
            row.clear(api.columnCount(query));
            readRow(query, row);
            if (!onRow(row)) return SQLITE_DONE;
        }
        return stepped;
    });
    finishQuery(kLabelQueryArray, statement, start, outcome);
    return outcome;
}

void rg_MoKuai_class_sqliteShuJuKu::readRow(sqlite3_stmt* statement, TypedPage& page) const {
    for (std::int32_t column = 0; column < page.columnCount(); ++column) {
        // The pointer is read before the byte count, as SQLite asks; a zero-length blob has a null pointer.
        switch (api.columnType(statement, column)) {
        case SQLITE_INTEGER:
            page.appendInteger(api.columnInt64(statement, column));
            break;
        case SQLITE_FLOAT:
            page.appendReal(api.columnDouble(statement, column));
            break;
        case SQLITE_TEXT: {
            const auto* bytes = reinterpret_cast<const char*>(api.columnText(statement, column));
            const int size = api.columnBytes(statement, column);
            page.appendText(bytes ? std::string_view(bytes, static_cast<std::size_t>(size)) : std::string_view());
            break;
        }
        case SQLITE_BLOB: {
            const auto* bytes = static_cast<const char*>(api.columnBlob(statement, column));
            const int size = api.columnBytes(statement, column);
            page.appendBlob(bytes ? std::string_view(bytes, static_cast<std::size_t>(size)) : std::string_view());
            break;
        }
        default:
            page.appendNull();
        }
    }
}

std::optional<std::int64_t> rg_MoKuai_class_sqliteShuJuKu::queryInteger(const WideString& statement,
                                                                       std::span<const TypedValue> parameters, RowDigest* digest) {
    if (!isBound()) return std::nullopt;
    const std::uint32_t start = platform::tickCount();
    std::optional<std::int64_t> value;
    bool hadNoRow = false;
    QueryOutcome outcome = onReader(statement, parameters, digest, [&](sqlite3_stmt* query) {
        const int stepped = api.step(query);
        if (stepped == SQLITE_ROW) value = api.columnInt64(query, 0);
        hadNoRow = stepped == SQLITE_DONE;
        return stepped == SQLITE_ROW ? SQLITE_DONE : stepped == SQLITE_DONE ? SQLITE_NOTFOUND : stepped;
    });
    if (hadNoRow) outcome.error = kErrorQueryFailed;
    finishQuery(kLabelQueryCount, statement, start, outcome);
    return value;
}

PageWriteResult rg_MoKuai_class_sqliteShuJuKu::insertPage(const WideString& statement, const TypedPage& page) {
    if (!isBound()) return {};
    if (page.rowCount() == 0) return {true, 0};
    const std::uint32_t start = platform::tickCount();
    (void)execSql(u"BEGIN TRANSACTION");   // should it fail, the COMMIT below fails and reports it
    std::int64_t inserted = 0;
    {
        Statement insert = prepare(mainConnection.get(), utf8WithZero(statement));
        const bool fits = insert.isOpen() && api.bindParameterCount(insert.get()) == page.columnCount();
        if (!fits) {
            reportError(kLabelExecSql, statement, insert.isOpen() ? WideString(kErrorParameterCount) : errorText(mainConnection.get()));
            insert.reset();
            (void)execSql(u"ROLLBACK TRANSACTION");   // nothing was written in it
            return {};
        }
        for (std::int64_t row = 0; row < page.rowCount(); ++row) {
            if (bindRow(insert.get(), page, row) && api.step(insert.get()) == SQLITE_DONE) {
                ++inserted;
            } else {
                reportError(kLabelExecSql, statement, errorText(mainConnection.get()));
                // Some errors (a full disk, I/O) make SQLite roll the whole transaction back;
                // rows after that would commit one by one, and the page would look written.
                if (api.getAutocommit(mainConnection.get())) {
                    raiseMessage(kMessageError, kLabelExecBatch, diagnosticLine(u"COMMIT TRANSACTION", kErrorCommitFailed));
                    return {};
                }
            }
            (void)api.reset(insert.get());   // repeats the failed step's result, reported above
        }
    }
    checkStatement(start, statement, 0);
    if (!commitBatch()) return {};
    return {true, inserted};
}

bool rg_MoKuai_class_sqliteShuJuKu::bindRow(sqlite3_stmt* statement, const TypedPage& page, std::int64_t row) const {
    for (std::int32_t column = 0; column < page.columnCount(); ++column)
        if (!bindValue(statement, column + 1, page.value(row, column))) return false;
    return true;
}

bool rg_MoKuai_class_sqliteShuJuKu::bindParameters(sqlite3_stmt* statement, std::span<const TypedValue> parameters, RowDigest* digest) const {
    const int count = static_cast<int>(parameters.size()) + (digest ? 1 : 0);
    if (api.bindParameterCount(statement) != count) return false;
    for (std::size_t i = 0; i < parameters.size(); ++i)
        if (!bindValue(statement, static_cast<int>(i) + 1, parameters[i])) return false;
    return !digest || api.bindPointer(statement, count, digest, kRowDigestPointerType, nullptr) == SQLITE_OK;
}

bool rg_MoKuai_class_sqliteShuJuKu::bindValue(sqlite3_stmt* statement, int parameter, const TypedValue& value) const {
    // A null pointer would bind NULL, so empty text and empty blobs get a real one.
    const char* bytes = value.bytes.empty() ? "" : value.bytes.data();
    switch (value.storageClass) {
    case StorageClass::integer: return api.bindInt64(statement, parameter, value.integer) == SQLITE_OK;
    case StorageClass::real: return api.bindDouble(statement, parameter, value.real) == SQLITE_OK;
    case StorageClass::text: return api.bindText64(statement, parameter, bytes, value.bytes.size(), SQLITE_STATIC, SQLITE_UTF8) == SQLITE_OK;
    case StorageClass::blob: return api.bindBlob64(statement, parameter, bytes, value.bytes.size(), SQLITE_STATIC) == SQLITE_OK;
    case StorageClass::null: break;
    }
    return api.bindNull(statement, parameter) == SQLITE_OK;
}

QueryOutcome rg_MoKuai_class_sqliteShuJuKu::execBound(const WideString& statement, std::span<const TypedValue> parameters, RowDigest* digest) {
    if (!isBound()) return {};
    const std::uint32_t start = platform::tickCount();
    std::int64_t rowsRead = 0;
    QueryOutcome outcome = runPrepared(mainConnection.get(), statement, parameters, digest, [&](sqlite3_stmt* prepared) {
        int stepped = SQLITE_ROW;
        while ((stepped = api.step(prepared)) == SQLITE_ROW) ++rowsRead;
        return stepped;
    });
    outcome.rowsRead = rowsRead;
    if (outcome.complete) outcome.changedRows = api.changes(mainConnection.get());
    if (!outcome.complete) reportError(kLabelExecSql, statement, outcome.error);
    else checkStatement(start, statement, 1);
    return outcome;
}
