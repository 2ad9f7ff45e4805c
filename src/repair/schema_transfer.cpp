// Schema definitions are replayed exactly as the source stored them.
#include "repair/schema_transfer.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>
#include <unordered_set>

#include "base/text_routines.h"
#include "db/database.h"
#include "db/read_only_opening.h"
#include "db/sql_text.h"
#include "repair/repair_run.h"

namespace {

constexpr char16_t kTextSchemaUnread[] = u"修复失败,无法读取数据库结构";
constexpr char16_t kTextNotRebuilt[] = u"修复失败,无法重建:";
constexpr char16_t kTextFullTextNotRebuilt[] = u"修复失败,全文索引无法重建:";

WideString textOf(const TypedPage& page, std::int64_t row, std::int32_t column) { return fromUtf8(page.value(row, column).bytes); }

bool isSqliteOwn(const WideString& name) { return name.starts_with(u"sqlite_"); }

// SQLite's statistics tables, as ANALYZE makes them: how each is created, read and written.
struct StatisticsTable {
    const char16_t* name;
    const char16_t* create;
    const char16_t* select;
    const char16_t* insert;
};
const StatisticsTable kStatisticsTables[] = {
    {u"sqlite_stat1", u"CREATE TABLE sqlite_stat1(tbl,idx,stat)", u"SELECT tbl, idx, stat FROM sqlite_stat1",
     u"INSERT INTO sqlite_stat1 (tbl, idx, stat) VALUES (?, ?, ?)"},
    {u"sqlite_stat4", u"CREATE TABLE sqlite_stat4(tbl,idx,neq,nlt,ndlt,sample)",
     u"SELECT tbl, idx, neq, nlt, ndlt, sample FROM sqlite_stat4",
     u"INSERT INTO sqlite_stat4 (tbl, idx, neq, nlt, ndlt, sample) VALUES (?, ?, ?, ?, ?, ?)"},
};

bool isStatisticsTable(const WideString& name) {
    return std::any_of(std::begin(kStatisticsTables), std::end(kStatisticsTables),
                       [&](const StatisticsTable& table) { return name == table.name; });
}

// Where the source is cut short, the rebuilt file's connection reads it with SQLite's
// writable_schema flag set (db/cut_short_file.h), which would also let a schema text of the source
// create what SQLite keeps for itself (a table named sqlite_...). While one lives, the flag is off,
// so that the rebuilt file's schema gets only what SQLite lets any schema hold; it is set again for
// the reads of the source that follow. Lives under the target's writer lock.
class SchemaChecked {
public:
    explicit SchemaChecked(RepairRun& run) : run(run) {
        // Tolerated when it fails: a connection that cannot set a flag fails the schema's statements too.
        if (run.isSourceCutShort) (void)run.target.execSql(u"PRAGMA writable_schema = OFF");
    }
    SchemaChecked(const SchemaChecked&) = delete;
    SchemaChecked& operator=(const SchemaChecked&) = delete;
    ~SchemaChecked() {
        if (run.isSourceCutShort) (void)run.target.execSql(u"PRAGMA writable_schema = ON");
    }

private:
    RepairRun& run;
};

// Runs statements on the target in one transaction under its writer lock; false when the commit
// failed. Each text runs as one statement, its first, as SQLite itself reads a schema text: what a
// damaged or crafted schema text carries after it (an ATTACH that writes a file, say) never runs.
bool writeSchema(RepairRun& run, const StringArray& statements) {
    const WriterLock lock(run.target);
    const SchemaChecked checked(run);
    (void)run.target.execSql(u"BEGIN TRANSACTION");   // should it fail, each statement commits alone
    for (const WideString& statement : statements) (void)run.target.execBound(statement);   // a failed one is reported and missing
    if (run.target.execSql(u"COMMIT TRANSACTION")) return true;
    (void)run.target.execSql(u"ROLLBACK TRANSACTION");   // the commit's failure is reported; what the schema lacks fails later
    return false;
}

void addHeaderValue(RepairRun& run, const WideString& pragma, StringArray& statements) {
    // An unreadable header value is tolerated: SQLite's default stays, as it was in the source.
    if (const auto value = run.source.queryInteger(u"PRAGMA " + pragma)) statements.push_back(u"PRAGMA " + pragma + u" = " + decimalText(*value));
}

void copySequences(RepairRun& run) {
    if (!run.late.hasSequences) return;
    TypedPage sequences;
    // Without a readable sqlite_sequence, AUTOINCREMENT goes on from the largest rowid copied.
    if (!run.source.queryPage(u"SELECT name, seq FROM sqlite_sequence", sequences)) return;
    const WriterLock lock(run.target);
    if (run.target.execSql(u"DELETE FROM sqlite_sequence"))
        (void)run.target.insertPage(u"INSERT INTO sqlite_sequence (name, seq) VALUES (?, ?)", sequences);   // tolerated, as above
}

// The query planner's statistics as the source's last ANALYZE left them, copied once the indexes
// they describe exist. SQLite reserves the tables' names, so they are created as VACUUM creates
// them: with the schema writable for the moment, in SQLite's own words, never the source's text.
// Tolerated when a table cannot be read or written: the planner then works without statistics,
// as it did before the source's first ANALYZE.
void copyStatistics(RepairRun& run) {
    const StringArray& kept = run.late.statisticsTables;
    for (const StatisticsTable& table : kStatisticsTables) {
        if (std::find(kept.begin(), kept.end(), table.name) == kept.end()) continue;
        TypedPage rows;
        if (!run.source.queryPage(table.select, rows)) continue;
        const WriterLock lock(run.target);
        const SchemaChecked checked(run);   // the flag goes back to what the reads of a source cut short need
        if (run.target.execBatch({u"PRAGMA writable_schema = ON", table.create, u"PRAGMA writable_schema = OFF"}))
            (void)run.target.insertPage(table.insert, rows);
    }
}

// A full-text table (FTS3, FTS4 or FTS5), by its CREATE VIRTUAL TABLE text.
struct FullTextModule {
    bool isFullText = false;
    bool isFts5 = false;
    bool isContentless = false;   // content='': the index is all there is of its rows
};

FullTextModule fullTextModuleOf(const WideString& statement) {
    const WideString text = asciiLower(statement);
    const std::size_t using_ = text.find(u" using ");
    if (!text.starts_with(u"create virtual table") || using_ == WideString::npos) return {};
    std::size_t start = using_ + 7;
    while (start < text.size() && text[start] == u' ') ++start;
    const std::u16string_view module = std::u16string_view(text).substr(start, 4);
    if (module != u"fts3" && module != u"fts4" && module != u"fts5") return {};
    WideString arguments;   // without blanks, so that content = '' reads as content=''
    for (const char16_t c : std::u16string_view(text).substr(start)) {
        if (c != u' ') arguments += c;
    }
    const bool isContentless = arguments.find(u"content=''") != WideString::npos || arguments.find(u"content=\"\"") != WideString::npos;
    return {true, module == u"fts5", isContentless};
}

// The shadow tables whose contents a full-text table's 'rebuild' makes anew from its contents: they
// are not read from the source, so damage in them is cured without being met. Its contents and
// settings (_content, _config) are copied.
StringArray regeneratedShadowTables(const WideString& table, const FullTextModule& module) {
    if (!module.isFullText || module.isContentless) return {};
    if (module.isFts5) return {table + u"_data", table + u"_idx", table + u"_docsize"};
    return {table + u"_segments", table + u"_segdir", table + u"_docsize", table + u"_stat"};
}

// Builds a full-text table's index anew from its contents, so that damage in the index data does
// not live on. (A contentless table has nothing to rebuild from: its index is copied as it is, and
// the source's own check of it decides.)
bool rebuildFullTextIndex(RepairRun& run, const WideString& table) {
    const WideString quoted = quotedName(table);
    const WriterLock lock(run.target);
    return run.target.execSql(u"INSERT INTO " + quoted + u" (" + quoted + u") VALUES ('rebuild')");
}

// The rebuilt file is built with its journal in memory; a source in WAL mode gets a rebuilt file in
// WAL mode, as programs that set it once expect. Tolerated when refused: the file is sound either way.
void keepJournalMode(RepairRun& run) {
    if (!isWalDatabase(run.sourcePath)) return;
    const WriterLock lock(run.target);
    (void)run.target.execSql(u"PRAGMA journal_mode = WAL");
}

// Adds the schema rows of the given types to the late objects, in schema order.
void keepForLater(LateSchema& late, const TypedPage& schema, std::initializer_list<std::string_view> types) {
    for (std::int64_t row = 0; row < schema.rowCount(); ++row) {
        // Indexes SQLite makes itself for UNIQUE and PRIMARY KEY have no sql (NULL or empty).
        if (schema.value(row, 2).bytes.empty()) continue;
        if (std::find(types.begin(), types.end(), schema.value(row, 0).bytes) == types.end()) continue;
        late.names.push_back(textOf(schema, row, 1));
        late.statements.push_back(textOf(schema, row, 2));
    }
}

}  // namespace

bool copySchema(RepairRun& run) {
    TypedPage schema;
    const QueryOutcome read = run.source.queryPage(u"SELECT type, name, sql FROM sqlite_master", schema);
    if (!read || !readTableShapes(run.source, run.shapes)) {
        // Damage in the schema's pages (SQLITE_CORRUPT) is what a salvage may read round; a file
        // that cannot be opened, or is no database, is not.
        run.noteFailure(withCause(kTextSchemaUnread, run.source.lastError()), !read && read.errorCode == SQLITE_CORRUPT);
        return false;
    }
    const auto isShadow = [&](const WideString& name) {
        const auto found = run.shapes.find(name);
        return found != run.shapes.end() && found->second.isShadow;
    };

    StringArray names, statements, emptied;
    LateSchema late;
    std::unordered_set<std::u16string> regenerated;
    for (std::int64_t row = 0; row < schema.rowCount(); ++row) {
        const WideString name = textOf(schema, row, 1);
        const FullTextModule module = fullTextModuleOf(textOf(schema, row, 2));
        if (schema.value(row, 0).bytes != "table" || !module.isFullText) continue;
        (module.isContentless ? late.contentlessTables : late.fullTextTables).push_back(name);
        for (const WideString& shadow : regeneratedShadowTables(name, module)) regenerated.insert(shadow);
    }
    for (std::int64_t row = 0; row < schema.rowCount(); ++row) {
        const WideString name = textOf(schema, row, 1);
        late.hasSequences = late.hasSequences || name == u"sqlite_sequence";
        if (schema.value(row, 0).bytes == "table" && isStatisticsTable(name)) late.statisticsTables.push_back(name);
        if (schema.value(row, 0).bytes != "table" || isSqliteOwn(name)) continue;
        if (!isShadow(name)) {
            names.push_back(name);
            statements.push_back(textOf(schema, row, 2));
            continue;
        }
        emptied.push_back(u"DELETE FROM " + quotedName(name));
        if (!regenerated.contains(name)) names.push_back(name);
    }
    if (names.empty()) {
        run.noteFailure(withCause(kTextSchemaUnread, run.source.lastError()), false);
        return false;
    }
    keepForLater(late, schema, {"index"});
    keepForLater(late, schema, {"view", "trigger"});
    statements.insert(statements.end(), emptied.begin(), emptied.end());
    run.tables = std::move(names);
    run.late = std::move(late);
    (void)writeSchema(run, statements);   // a table the target did not get fails its copy
    TypedPage created;
    run.createdTables.clear();
    {
        const WriterLock lock(run.target);   // the target is read through its main connection, which holds it alone
        (void)run.target.queryPage(u"SELECT name FROM sqlite_master WHERE type = 'table'", created);   // unread: every table fails
    }
    for (std::int64_t row = 0; row < created.rowCount(); ++row) run.createdTables.insert(textOf(created, row, 0));
    return true;
}

bool copyLateSchema(RepairRun& run) {
    // Index builds sort on this thread alone: helper threads (a new one for every sorted batch)
    // cost more than they gave, natively and under Wine, where every new thread has a megabyte of
    // stack cleared.
    StringArray statements = run.late.statements;
    addHeaderValue(run, u"user_version", statements);
    addHeaderValue(run, u"application_id", statements);
    (void)writeSchema(run, statements);   // each object is checked below
    copySequences(run);

    TypedPage created;   // read once: a look-up per object would search the schema once for each
    {
        const WriterLock lock(run.target);
        (void)run.target.queryPage(u"SELECT name FROM sqlite_master", created);   // unread: every object fails below
    }
    std::unordered_set<std::u16string> createdNames;
    for (std::int64_t row = 0; row < created.rowCount(); ++row) createdNames.insert(textOf(created, row, 0));
    for (const WideString& name : run.late.names) {
        if (!createdNames.contains(name)) {
            run.reportFailure(name, kTextNotRebuilt + name, false);
            return false;
        }
    }
    for (const WideString& table : run.late.fullTextTables) {
        if (rebuildFullTextIndex(run, table)) continue;
        run.reportFailure(table, kTextFullTextNotRebuilt + table, false);
        return false;
    }
    copyStatistics(run);
    keepJournalMode(run);
    return true;
}
