// Statements through the main connection (execSql, execBatch, walCheckpoint) and text queries
// through a reader connection (queryCount, queryArray, queryField, columnText).
#include <vector>

#include "db/database.h"
#include "db/diagnostic_texts.h"
#include "db/reader_statement.h"

namespace {

constexpr std::size_t kMaxFieldOutputs = 15;

const char* textOf(const ByteBuffer& utf8WithZero) { return reinterpret_cast<const char*>(utf8WithZero.data()); }

}  // namespace

Statement rg_MoKuai_class_sqliteShuJuKu::prepare(sqlite3* connection, const ByteBuffer& text) const {
    sqlite3_stmt* statement = nullptr;
    // Success is judged by the statement alone: SQLite leaves it null on every failure.
    (void)api.prepareV2(connection, textOf(text), static_cast<int>(text.size()), &statement, nullptr);
    return Statement(statement, api.finalize);
}

WideString rg_MoKuai_class_sqliteShuJuKu::errorText(sqlite3* connection) const {
    if (!connection) return kErrorQueryFailed;
    return fromUtf8(api.errorMessage(connection));
}

bool rg_MoKuai_class_sqliteShuJuKu::execSql(const WideString& statement) {
    if (!isBound()) return false;
    const std::uint32_t start = platform::tickCount();
    const ByteBuffer text = utf8WithZero(statement);
    char* error = nullptr;
    const int result = api.exec(mainConnection.get(), textOf(text), nullptr, nullptr, &error);
    if (error) {
        const WideString errorText = fromUtf8(error);   // SQLite's messages are UTF-8
        api.free(error);
        reportError(kLabelExecSql, statement, errorText);
    }
    checkStatement(start, statement, 1);
    return result == SQLITE_OK;
}

bool rg_MoKuai_class_sqliteShuJuKu::execBatch(const StringArray& statements) {
    if (!isBound() || statements.empty()) return false;
    (void)execSql(u"BEGIN TRANSACTION");   // should it fail, each statement commits alone
    for (const WideString& statement : statements) (void)execSql(statement);   // a failed one is reported and missing
    return commitBatch();
}

bool rg_MoKuai_class_sqliteShuJuKu::commitBatch() {
    if (execSql(u"COMMIT TRANSACTION")) {
        (void)walCheckpoint();
        return true;
    }
    // SQLite rolls some failed commits back itself (a full disk, I/O); a ROLLBACK then would only
    // report an error of its own in place of the cause.
    if (mainConnection.isOpen() && !api.getAutocommit(mainConnection.get())) (void)execSql(u"ROLLBACK TRANSACTION");   // reported below either way
    // The cause was reported by execSql above; this line says what it cost.
    raiseMessage(kMessageError, kLabelExecBatch, diagnosticLine(u"COMMIT TRANSACTION", kErrorCommitFailed));
    return false;
}

std::int32_t rg_MoKuai_class_sqliteShuJuKu::walCheckpoint() {
    if (!isBound()) return 0;
    const auto checkpoint =
        reinterpret_cast<decltype(&sqlite3_wal_checkpoint_v2)>(library.symbol("sqlite3_wal_checkpoint_v2"));
    if (!checkpoint) return 0;   // SQLite's own automatic checkpoints still run
    int logFrames = 0;
    int checkpointedFrames = 0;
    // Passive: never waits for readers or writers; what it cannot copy now waits for the next one.
    (void)checkpoint(mainConnection.get(), nullptr, SQLITE_CHECKPOINT_PASSIVE, &logFrames, &checkpointedFrames);
    return 0;
}

void rg_MoKuai_class_sqliteShuJuKu::finishQuery(const char16_t* label, const WideString& statement, std::uint32_t start,
                                                const QueryOutcome& outcome) {
    if (outcome.complete) checkStatement(start, statement, 0);
    else reportError(label, statement, outcome.error);
}

// The text queries report only a statement that cannot be prepared, with the same text whatever
// the cause; a step that fails simply ends the rows.
std::int32_t rg_MoKuai_class_sqliteShuJuKu::queryCount(const WideString& table, const WideString& condition) {
    if (!isBound()) return 0;
    const std::uint32_t start = platform::tickCount();
    WideString statement = u"SELECT COUNT(*) FROM " + table;
    if (!condition.empty()) statement += u" WHERE " + condition;
    std::int32_t count = 0;
    QueryOutcome outcome = onReader(statement, {}, nullptr, [&](sqlite3_stmt* query) {
        (void)api.step(query);   // a failed step leaves no row, and the column reads 0
        count = api.columnInt(query, 0);
        return SQLITE_DONE;
    });
    if (!outcome.prepared) outcome.error = kErrorQueryFailed;
    finishQuery(kLabelQueryCount, statement, start, outcome);
    return count;
}

std::int32_t rg_MoKuai_class_sqliteShuJuKu::queryArray(std::int32_t columnCount, const WideString& statement,
                                                       std::vector<rg_WenBenShuZuLei>& rows) {
    rows.clear();
    if (!isBound()) return 0;
    const std::uint32_t start = platform::tickCount();
    QueryOutcome outcome = onReader(statement, {}, nullptr, [&](sqlite3_stmt* query) {
        StringArray row;
        // Any result but a row ends the rows, an error included.
        while (api.step(query) == SQLITE_ROW) {
            row.clear();
            for (std::int32_t column = 0; column < columnCount; ++column) row.push_back(columnText(query, column));
            rows.emplace_back(row);
        }
        return SQLITE_DONE;
    });
    if (!outcome.prepared) outcome.error = kErrorQueryFailed;
    finishQuery(kLabelQueryArray, statement, start, outcome);
    return static_cast<std::int32_t>(rows.size());
}

bool rg_MoKuai_class_sqliteShuJuKu::queryField(const WideString& statement, WideString& first,
                                               std::initializer_list<WideString*> more) {
    if (!isBound()) return false;
    std::vector<WideString*> outputs{&first};
    for (WideString* output : more) {
        if (!output || outputs.size() == kMaxFieldOutputs) break;
        outputs.push_back(output);
    }
    const std::uint32_t start = platform::tickCount();
    bool hasRow = false;
    QueryOutcome outcome = onReader(statement, {}, nullptr, [&](sqlite3_stmt* query) {
        hasRow = api.step(query) == SQLITE_ROW;
        for (std::size_t column = 0; hasRow && column < outputs.size(); ++column)
            *outputs[column] = columnText(query, static_cast<std::int32_t>(column));
        return SQLITE_DONE;
    });
    if (!outcome.prepared) outcome.error = kErrorQueryFailed;
    finishQuery(kLabelQueryField, statement, start, outcome);
    if (hasRow) return true;
    for (WideString* output : outputs) output->clear();
    return false;
}

WideString rg_MoKuai_class_sqliteShuJuKu::columnText(sqlite3_stmt* statement, std::int32_t column) const {
    if (!api.columnText) return {};
    const unsigned char* text = api.columnText(statement, column);
    if (!text) return {};
    return fromUtf8(reinterpret_cast<const char*>(text));   // up to the first zero byte
}
