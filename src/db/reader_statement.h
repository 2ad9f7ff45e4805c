// The one way the database object runs a prepared statement, on a lent reader connection or on
// its main connection (for the query and statement operations; not part of the interface).
#pragma once

#include "db/database.h"
#include "db/diagnostic_texts.h"

// Prepares statement on connection, binds parameters (and digest, when given) and hands the prepared statement to step,
// which steps it as far as it needs and returns the result of its last step: SQLITE_DONE when it
// has what it wanted. The outcome is prepared when preparing and binding succeeded, complete when
// step returned SQLITE_DONE, and otherwise carries SQLite's error text and code (of the prepare or
// the step that failed). The statement is finalized before the outcome is returned.
template <typename Step>
QueryOutcome rg_MoKuai_class_sqliteShuJuKu::runPrepared(sqlite3* connection, const WideString& statement,
                                                        std::span<const TypedValue> parameters, RowDigest* digest, Step step) {
    QueryOutcome outcome;
    Statement query = prepare(connection, utf8WithZero(statement));
    if (!query.isOpen()) {
        outcome.error = errorText(connection);
        outcome.errorCode = api.errorCode(connection);
        return outcome;
    }
    if (!bindParameters(query.get(), parameters, digest)) {
        outcome.error = kErrorParameterCount;
        return outcome;
    }
    outcome.prepared = true;
    const int stepped = step(query.get());
    outcome.complete = stepped == SQLITE_DONE;
    if (!outcome.complete) {
        outcome.error = errorText(connection);
        outcome.errorCode = api.errorCode(connection);
    }
    return outcome;
}

// runPrepared on a lent reader connection; the lease ends before the outcome is returned.
template <typename Step>
QueryOutcome rg_MoKuai_class_sqliteShuJuKu::onReader(const WideString& statement, std::span<const TypedValue> parameters, RowDigest* digest,
                                                     Step step) {
    const ReaderLease reader = acquireReader();
    return runPrepared(reader.get(), statement, parameters, digest, step);
}
