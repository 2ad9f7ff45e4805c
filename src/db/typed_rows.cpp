// The exact copy path: rows read with their storage classes into a typed page, and pages written
// back with every value bound as it is, never passed through SQL text.
#include "db/database.h"
#include "db/diagnostic_texts.h"

bool rg_MoKuai_class_sqliteShuJuKu::queryPage(const WideString& statement, TypedPage& page) {
    page.clear(0);
    if (!isBound()) return false;
    const std::uint32_t start = platform::tickCount();
    const ByteBuffer text = utf8WithZero(statement);
    std::optional<WideString> failure;
    {
        ReaderLease reader = acquireReader();
        Statement query = prepare(reader.get(), text);
        if (!query.isOpen()) {
            failure = errorText(reader.get());
        } else {
            page.clear(api.columnCount(query.get()));
            int stepped = SQLITE_ROW;
            while ((stepped = api.step(query.get())) == SQLITE_ROW) readRow(query.get(), page);
            if (stepped != SQLITE_DONE) failure = errorText(reader.get());
        }
    }
    if (failure) {
        raiseMessage(kMessageError, kLabelQueryArray, diagnosticLine(statement, *failure));
        return false;
    }
    checkStatement(start, statement, 0);
    return true;
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

std::optional<std::int64_t> rg_MoKuai_class_sqliteShuJuKu::queryInteger(const WideString& statement) {
    if (!isBound()) return std::nullopt;
    const std::uint32_t start = platform::tickCount();
    const ByteBuffer text = utf8WithZero(statement);
    std::optional<std::int64_t> value;
    WideString failure;
    {
        ReaderLease reader = acquireReader();
        Statement query = prepare(reader.get(), text);
        if (!query.isOpen()) {
            failure = errorText(reader.get());
        } else if (const int stepped = api.step(query.get()); stepped == SQLITE_ROW) {
            value = api.columnInt64(query.get(), 0);
        } else {
            failure = stepped == SQLITE_DONE ? WideString(kErrorQueryFailed) : errorText(reader.get());
        }
    }
    if (!value) {
        raiseMessage(kMessageError, kLabelQueryCount, diagnosticLine(statement, failure));
        return std::nullopt;
    }
    checkStatement(start, statement, 0);
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
            raiseMessage(kMessageError, kLabelExecSql,
                         diagnosticLine(statement, insert.isOpen() ? WideString(kErrorParameterCount)
                                                                   : errorText(mainConnection.get())));
            insert.reset();
            (void)execSql(u"ROLLBACK TRANSACTION");   // nothing was written in it
            return {};
        }
        for (std::int64_t row = 0; row < page.rowCount(); ++row) {
            if (bindRow(insert.get(), page, row) && api.step(insert.get()) == SQLITE_DONE) {
                ++inserted;
            } else {
                raiseMessage(kMessageError, kLabelExecSql, diagnosticLine(statement, errorText(mainConnection.get())));
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
    for (std::int32_t column = 0; column < page.columnCount(); ++column) {
        const TypedValue value = page.value(row, column);
        const int parameter = column + 1;
        // A null pointer would bind NULL, so empty text and empty blobs get a real one.
        const char* bytes = value.bytes.empty() ? "" : value.bytes.data();
        int bound = SQLITE_OK;
        switch (value.storageClass) {
        case StorageClass::integer:
            bound = api.bindInt64(statement, parameter, value.integer);
            break;
        case StorageClass::real:
            bound = api.bindDouble(statement, parameter, value.real);
            break;
        case StorageClass::text:
            bound = api.bindText64(statement, parameter, bytes, value.bytes.size(), SQLITE_STATIC, SQLITE_UTF8);
            break;
        case StorageClass::blob:
            bound = api.bindBlob64(statement, parameter, bytes, value.bytes.size(), SQLITE_STATIC);
            break;
        case StorageClass::null:
            bound = api.bindNull(statement, parameter);
            break;
        }
        if (bound != SQLITE_OK) return false;
    }
    return true;
}
