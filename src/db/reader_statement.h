// The one way the database object runs a statement on a lent reader connection (for the query
// operations; not part of the object's interface).
#pragma once

#include "db/database.h"
#include "db/diagnostic_texts.h"

// Prepares statement on a lent reader connection, binds parameters and hands the prepared
// statement to step, which steps it as far as it needs and returns the result of its last step:
// SQLITE_DONE when it has what it wanted. The outcome is prepared when preparing and binding
// succeeded, complete when step returned SQLITE_DONE, and otherwise carries SQLite's error text and
// code. The lease ends before the outcome is returned.
template <typename Step>
QueryOutcome rg_MoKuai_class_sqliteShuJuKu::onReader(const WideString& statement, std::span<const TypedValue> parameters, Step step) {
    QueryOutcome outcome;
    ReaderLease reader = acquireReader();
    Statement query = prepare(reader.get(), utf8WithZero(statement));
    if (!query.isOpen()) {
        outcome.error = errorText(reader.get());
        return outcome;
    }
    if (!bindParameters(query.get(), parameters)) {
        outcome.error = kErrorParameterCount;
        return outcome;
    }
    outcome.prepared = true;
    const int stepped = step(query.get());
    outcome.complete = stepped == SQLITE_DONE;
    if (!outcome.complete) {
        outcome.error = errorText(reader.get());
        outcome.errorCode = api.errorCode(reader.get());
    }
    return outcome;
}
