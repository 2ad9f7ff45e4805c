// Pages are addressed by key ranges (rowid, or the primary key of a WITHOUT ROWID table), so every
// row is read once however large the table. Counts and boundaries are read from the table itself
// (NOT INDEXED): a damaged index must not decide how many rows there are. Boundary values travel
// as bound parameters, so a key holding any bytes (a NUL, invalid UTF-8) addresses its page.
//
// Each page is copied inside SQLite, by one INSERT ... SELECT on the target's connection with the
// source attached read-only: values never cross into our memory, which stays the same however
// large the rows are. The page's worker finds its upper boundary through that same attachment just
// before, so the copy reads the page's rows from the page cache the boundary search filled, not
// from the file a second time. A page whose read fails part way is copied again up to the damage,
// which keeps the rows before it.
#include "repair/table_copy.h"

#include <atomic>
#include <chrono>
#include <vector>

#include "base/text_routines.h"
#include "db/database.h"
#include "db/sql_text.h"
#include "repair/process_objects.h"
#include "repair/repair_job.h"
#include "repair/repair_run.h"
#include "repair/table_plan.h"

namespace {

constexpr const char16_t* kTextCopying = rg_mk_class_sqliteshjk_xf::runningText;
constexpr char16_t kTextCopied[] = u"修复完毕";
constexpr char16_t kTextCountsDiffer[] = u"修复失败,原数据库数量:";
constexpr char16_t kTextNewCount[] = u"新表数量:";
constexpr char16_t kTextExemptTable[] = u"免检表";
constexpr char16_t kTextExemptSourceCount[] = u": 原数据库数量:";
constexpr char16_t kTextCountUnread[] = u"无法读取";
constexpr char16_t kTextRowidsRenumbered[] = u"列名rowid、oid和_rowid_都已被占用,隐藏的行号已重新编号:";
constexpr char16_t kTextUnreadable[] = u"修复失败,无法读取表:";
constexpr char16_t kTextNotCreated[] = u"修复失败,无法创建表:";
constexpr char16_t kTextStatementFailed[] = u"修复失败,无法执行查询:";
constexpr char16_t kTextWriteFailed[] = u"修复失败,写入新数据库出错:";
constexpr char16_t kTextNotRecounted[] = u"修复失败,无法核对新表:";
constexpr char16_t kTextRefused[] = u"写入新数据库出错:";
constexpr char16_t kTextRowsChanged[] = u"修复失败,新表中的行与原数据库读出的行不一致:";
constexpr char16_t kTextExemptRowsChanged[] = u": 新表中的行与原数据库读出的行不一致";
// The cause of a count that differs, as the result box says it: the table, then the two counts.
constexpr char16_t kTextTablePrefix[] = u"修复失败,表";
constexpr char16_t kTextRowsUnreadable[] = u"中有行无法读取,原数据库数量:";
constexpr char16_t kTextCountsMismatch[] = u"的行数不符,原数据库数量:";
constexpr char16_t kTextCauseNewCount[] = u",新表数量:";
constexpr char16_t kParameterSeparator[] = u"||";
constexpr std::int32_t kMaxUnfinishedWorkers = 50;
constexpr std::chrono::milliseconds kReportInterval{200};

std::atomic<PageThreadStarter> pageThreadStarter{nullptr};

std::int32_t rowsDone(const RepairRun& run, std::int32_t total) {
    const std::int64_t done = std::int64_t{completedPages.load()} * run.pageSize;
    return static_cast<std::int32_t>(done < total ? done : total);
}

bool startPageWorker(RepairRun& run, const WideString& parameter) {
    const PageThreadStarter starter = pageThreadStarter.load();
    return starter ? starter(&copyPage, parameter) : run.pageWorkers.start(&copyPage, parameter);
}

// Finds the range of page `page`, the page's worker under the target's writer lock: its lower
// boundary is the previous page's upper one; its upper boundary lies pageSize rows further on
// (none for the last page). False when the page has nothing to copy: a boundary before it or its
// own could not be read (noted), or the rows ran out before the count said (the count check tells).
bool findRange(RepairRun& run, std::int32_t page, PageRange& range) {
    const TablePlan& plan = run.table.plan;
    TableTrouble& trouble = run.table.trouble;
    if (!trouble.boundariesRead()) return false;
    if (page > 0) {
        range.lower = run.table.pages[static_cast<std::size_t>(page - 1)].upper;
        if (!range.hasLower()) return false;
    }
    if (static_cast<std::size_t>(page) + 1 == run.table.pages.size()) return true;
    const std::vector<TypedValue> lowerValues = range.parameters();
    const QueryOutcome found =
        run.target.queryPage(u"SELECT " + plan.keyColumns() + u" FROM " + WideString(kSourceSchema) + u"." + plan.quotedTable + u" NOT INDEXED WHERE " +
                                 plan.rangeCondition(range.hasLower(), false) + u" ORDER BY " + plan.keyOrder() + u" LIMIT 1 OFFSET " +
                                 decimalText(run.pageSize),
                             range.upper, lowerValues);
    if (found) return true;
    if (!found.prepared) trouble.noteStatementFailure(found.error);
    trouble.noteBoundaryUnread();
    return false;
}

// Waits until keepWaiting() no longer holds, reporting the running progress every 200 ms meanwhile.
// A finished page wakes it at once.
void waitForWorkers(RepairRun& run, const WideString& table, std::int32_t sourceRows, const std::function<bool()>& keepWaiting) {
    while (!run.table.completion.waitWhile(keepWaiting, kReportInterval))
        run.report(kProgressOfItem, table, sourceRows, rowsDone(run, sourceRows), kTextCopying);
}

// dovrane_fold(?placeholder, returned, every read column, every stored generated column): folds a
// row of the table and gives back returned. A table without stored generated columns folds its
// read columns alone.
WideString foldCall(const TablePlan& plan, std::size_t placeholder, const WideString& returned) {
    WideString folded = quotedNameList(plan.readColumns);
    if (!plan.storedGeneratedColumns.empty()) folded += u", " + quotedNameList(plan.storedGeneratedColumns);
    return asciiText(kRowFoldFunction) + u"(?" + decimalText(static_cast<std::int64_t>(placeholder)) + u", " + returned + u", " + folded + u")";
}

// The read columns, the first one passed through dovrane_fold with every column of the row: the
// select of a page's copy, which folds exactly the rows it hands to the INSERT.
WideString foldedSelect(const TablePlan& plan, std::size_t placeholder) {
    WideString select = u"SELECT " + foldCall(plan, placeholder, quotedName(plan.readColumns.front()));
    for (std::size_t i = 1; i < plan.readColumns.size(); ++i) select += u", " + quotedName(plan.readColumns[i]);
    return select;
}

// isDamage: the table's rows could not be read, which a salvage may help with.
bool failTable(RepairRun& run, const WideString& table, const WideString& text, bool isDamage = false) {
    run.reportFailure(table, text, isDamage);
    return false;
}

// The rows of the table being copied that the source gives before a damaged page stops the reading.
std::optional<std::int64_t> readableRows(RepairRun& run) {
    const TablePlan& plan = run.table.plan;
    const WriterLock lock(run.target);   // the source is read through the rebuilt file's attachment
    const QueryOutcome read = run.target.execBound(u"SELECT " + quotedNameList(plan.readColumns) + u" FROM " + WideString(kSourceSchema) + u"." +
                                                   plan.quotedTable + u" NOT INDEXED");
    if (!read.prepared) return std::nullopt;
    return read.rowsRead;
}

// The rows the rebuilt table holds in range (a range without boundaries: the whole table), counted
// and folded by one scan of them; nothing when they cannot be read back.
std::optional<RowDigest> rebuiltRows(RepairRun& run, const PageRange& range) {
    const TablePlan& plan = run.table.plan;
    const std::vector<TypedValue> parameters = range.parameters();
    RowDigest rows;
    const WriterLock lock(run.target);   // the rebuilt file is read through its main connection
    const auto counted = run.target.queryInteger(u"SELECT count(" + foldCall(plan, parameters.size() + 1, u"1") + u") FROM main." +
                                                     plan.quotedTable + u" NOT INDEXED WHERE " +
                                                     plan.rangeCondition(range.hasLower(), range.hasUpper()),
                                                 parameters, &rows);
    if (!counted || *counted != rows.rows) return std::nullopt;
    return rows;
}

// Reads back the page's rows from the rebuilt table while they are still in the page cache, into
// the table's digest of stored rows; a table whose rows a later insert may remove is read back
// whole after its last page instead (TablePlan::mayReplaceRows).
void readBackRange(RepairRun& run, const PageRange& range) {
    if (run.table.plan.mayReplaceRows) return;
    if (const auto rows = rebuiltRows(run, range)) run.table.trouble.addStoredRows(*rows);
    else run.table.trouble.noteReadBackFailure(run.target.lastError());
}

// The checks after every worker of the table has ended. The rebuilt table must hold as many rows
// as the source counted, and exactly the rows that were read from the source: the digest of the
// rows handed to it equals the digest of the rows it holds, read back page by page or whole. The
// program's own failures (a statement it cannot prepare, a write that fails, rows it cannot read
// back) fail the table even when it is exempt.
// isCountUnread: the source's count could not be read, and sourceRows are the rows read up to the damage.
bool finishTable(RepairRun& run, const WideString& table, std::int32_t exempt, std::int32_t sourceRows, bool isCountUnread) {
    const TableTrouble& trouble = run.table.trouble;
    const bool boundariesRead = trouble.boundariesRead();
    if (const auto error = trouble.firstStatementError()) return failTable(run, table, withCause(kTextStatementFailed + table, *error));
    if (const auto error = trouble.firstWriteError()) return failTable(run, table, kTextWriteFailed + table + u"(" + *error + u")");
    if (const auto error = trouble.firstReadBackError()) return failTable(run, table, withCause(kTextNotRecounted + table, *error));
    const std::optional<RowDigest> rebuilt = run.table.plan.mayReplaceRows ? rebuiltRows(run, PageRange()) : trouble.storedRows();
    if (!rebuilt) return failTable(run, table, withCause(kTextNotRecounted + table, run.target.lastError()));

    const std::int64_t targetRows = rebuilt->rows;
    const bool isShort = !boundariesRead || isCountUnread || targetRows != sourceRows;
    const bool isChanged = *rebuilt != trouble.copiedRows();
    const auto reportRefusal = [&] {
        if (const auto refusal = trouble.firstRefusal()) run.reportMessage(table, kTextRefused + *refusal);
    };
    if (exempt == 1) {
        // Exempt tables do not fail on what they lost or what changed, but either is said.
        if (isShort)
            run.report(kProgressMessage, table, sourceRows, rowsDone(run, sourceRows),
                       kTextExemptTable + table + kTextExemptSourceCount + (isCountUnread ? WideString(kTextCountUnread) : decimalText(sourceRows)) + kTextNewCount + decimalText(targetRows));
        if (isChanged) run.reportMessage(table, kTextExemptTable + table + kTextExemptRowsChanged);
        if (isShort || isChanged) reportRefusal();
        return true;
    }
    if (isShort) {
        run.report(kProgressMessage, table, sourceRows, static_cast<std::int32_t>(std::int64_t{completedPages.load()} * run.pageSize),
                   kTextCountsDiffer + decimalText(sourceRows) + kTextNewCount + decimalText(targetRows));
        // Rows the source could not give are damage; rows the rebuilt table refused are not.
        const bool isDamage = !boundariesRead || trouble.metDamage();
        run.noteFailure(kTextTablePrefix + table + (isDamage ? kTextRowsUnreadable : kTextCountsMismatch) + decimalText(sourceRows) +
                            kTextCauseNewCount + decimalText(targetRows),
                        isDamage, table);
        reportRefusal();
        return false;
    }
    if (!isChanged) return true;
    run.reportFailure(table, kTextRowsChanged + table, false);
    reportRefusal();
    return false;
}

// Copies the rows of one page's range inside SQLite, under the target's writer lock (the caller's),
// folding every row it hands to the rebuilt table into the table's digest of copied rows.
void copyRange(RepairRun& run, const PageRange& range) {
    const TablePlan& plan = run.table.plan;
    std::vector<TypedValue> parameters = range.parameters();
    const WideString from = u" FROM " + WideString(kSourceSchema) + u"." + plan.quotedTable + u" NOT INDEXED WHERE " +
                            plan.rangeCondition(range.hasLower(), range.hasUpper());
    const WideString into = u"INTO main." + plan.quotedTable + u" (" + quotedNameList(plan.readColumns) + u") ";
    TableTrouble& trouble = run.table.trouble;
    RowDigest copiedRows;
    const QueryOutcome copied = run.target.execBound(u"INSERT " + into + foldedSelect(plan, parameters.size() + 1) + from, parameters, &copiedRows);
    if (copied) {
        trouble.addCopiedRows(copiedRows);
        readBackRange(run, range);
        return;
    }
    if (!copied.prepared) {
        trouble.noteStatementFailure(copied.error);
        return;
    }
    // SQLite undid the whole statement. Damage part way (SQLITE_CORRUPT) rolls back the whole
    // transaction whatever else it holds, so the rows before it are counted first and then copied
    // alone; a row the table refuses (SQLITE_CONSTRAINT) is left out of the copy, and the digest
    // tells. Any other failure (a full disk) is the program's own and fails the table.
    if (copied.errorCode == SQLITE_CONSTRAINT) trouble.noteRefusal(copied.error);
    else if (copied.errorCode == SQLITE_CORRUPT) trouble.noteDamage();
    else {
        trouble.noteWriteFailure(copied.error);
        return;
    }
    const QueryOutcome readable = run.target.execBound(u"SELECT " + quotedNameList(plan.readColumns) + from, parameters);
    if (!readable.prepared) trouble.noteStatementFailure(readable.error);
    if (readable.rowsRead == 0) return;
    parameters.push_back(integerValue(readable.rowsRead));
    const WideString limit = u" LIMIT ?" + decimalText(static_cast<std::int64_t>(parameters.size()));
    RowDigest keptRows;
    const QueryOutcome kept =
        run.target.execBound(u"INSERT OR IGNORE " + into + foldedSelect(plan, parameters.size() + 1) + from + limit, parameters, &keptRows);
    if (!kept) {
        trouble.noteWriteFailure(kept.error);
        return;
    }
    trouble.addCopiedRows(keptRows);
    readBackRange(run, range);
}

}  // namespace

void setPageThreadStarter(PageThreadStarter starter) { pageThreadStarter = starter; }

bool copyTable(RepairRun& run, const WideString& table, std::int32_t exempt) {
    TablePlan& plan = run.table.plan;
    const auto shape = run.shapes.find(table);
    if (shape == run.shapes.end() || !planTable(run.source, table, shape->second, plan)) return failTable(run, table, kTextUnreadable + table, true);
    if (!run.createdTables.contains(table)) return failTable(run, table, withCause(kTextNotCreated + table, run.target.lastError()));
    if (plan.kind == TablePlan::Kind::virtualTable) return true;

    std::optional<std::int64_t> counted = run.source.queryInteger(u"SELECT COUNT(*) FROM " + plan.quotedTable + u" NOT INDEXED");
    // SQLite counts a b-tree by its leaves' cell counts: a damaged leaf header stops the count. An
    // exempt table is not vouched for, so the rows that can be read up to the damage are copied.
    const bool isCountUnread = !counted && exempt == 1;
    if (isCountUnread) counted = readableRows(run);
    if (!counted) return failTable(run, table, kTextUnreadable + table, true);
    const auto sourceRows = static_cast<std::int32_t>(*counted);
    if (sourceRows == 0 && !isCountUnread) return true;

    const std::int32_t columnCount = static_cast<std::int32_t>(plan.readColumns.size());
    // Without a key the rows cannot be split into ranges: one range holds them all.
    const std::int32_t pageCount = plan.isRowidHidden ? 1 : sourceRows / run.pageSize + (sourceRows % run.pageSize ? 1 : 0);
    run.table.pages.assign(static_cast<std::size_t>(pageCount), PageRange());
    run.table.turns.reset(pageCount);
    run.table.trouble.reset();
    run.table.completion.reset();
    for (std::int32_t page = 0; page < pageCount; ++page) {
        // A worker that cannot start counts its page as finished without rows: the table then
        // fails its count check instead of waiting forever.
        const WideString parameter = decimalText(columnCount) + kParameterSeparator + table + kParameterSeparator + decimalText(page);
        if (!startPageWorker(run, parameter)) {
            run.table.turns.finish(page);
            run.table.completion.finishPage();
        }
        waitForWorkers(run, table, sourceRows, [page] { return page - completedPages.load() >= kMaxUnfinishedWorkers; });
        run.report(kProgressOfItem, table, sourceRows, rowsDone(run, sourceRows), kTextCopying);
    }
    waitForWorkers(run, table, sourceRows, [pageCount] { return completedPages.load() != pageCount; });
    run.report(kProgressOfItem, table, sourceRows, rowsDone(run, sourceRows), kTextCopied);
    if (plan.isRowidHidden) run.reportMessage(table, kTextRowidsRenumbered + table);
    return finishTable(run, table, exempt, sourceRows, isCountUnread);
}

void copyPage(WideString parameter) {
    const std::int64_t last = findText(parameter, kParameterSeparator, -1, true);
    const std::int32_t page = decimalValue(std::u16string_view(parameter).substr(static_cast<std::size_t>(last) + 2));
    // The table is the active run's: the name in the parameter (between the first and the last
    // separator, so that a name holding "||" survives) is the one the run is copying.
    RepairRun& run = activeRun();
    PageRange& range = run.table.pages[static_cast<std::size_t>(page)];
    run.table.turns.waitFor(page);
    {
        const WriterLock lock(run.target);
        if (findRange(run, page, range)) copyRange(run, range);
    }
    run.table.turns.finish(page);
    run.table.completion.finishPage();
}
