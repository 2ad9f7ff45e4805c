// Pages are addressed by key ranges (rowid, or the primary key of a WITHOUT ROWID table), so every
// row is read once however large the table. Counts and boundaries are read from the table itself
// (NOT INDEXED): a damaged index must not decide how many rows there are. Boundary values travel
// as bound parameters, so a key holding any bytes (a NUL, invalid UTF-8) addresses its page.
//
// Each page is copied inside SQLite, by one INSERT ... SELECT on the target's connection with the
// source attached read-only: values never cross into our memory, which stays the same however
// large the rows are. A page whose read fails part way is copied again up to the damage, which
// keeps the rows before it.
#include "repair/table_copy.h"

#include <atomic>
#include <chrono>
#include <vector>

#include "base/text_routines.h"
#include "db/database.h"
#include "repair/process_objects.h"
#include "repair/repair_run.h"
#include "repair/sql_text.h"
#include "repair/table_plan.h"

namespace {

constexpr char16_t kTextCopying[] = u"修复中";
constexpr char16_t kTextCopied[] = u"修复完毕";
constexpr char16_t kTextCountsDiffer[] = u"修复失败,原数据库数量:";
constexpr char16_t kTextNewCount[] = u"新表数量:";
constexpr char16_t kTextExemptTable[] = u"免检表";
constexpr char16_t kTextExemptSourceCount[] = u": 原数据库数量:";
constexpr char16_t kTextUnreadable[] = u"修复失败,无法读取表:";
constexpr char16_t kTextNotCreated[] = u"修复失败,无法创建表:";
constexpr char16_t kTextStatementFailed[] = u"修复失败,无法执行查询:";
constexpr char16_t kTextWriteFailed[] = u"写入新数据库出错:";
constexpr char16_t kParameterSeparator[] = u"||";
constexpr std::int32_t kMaxUnfinishedWorkers = 50;
constexpr std::chrono::milliseconds kReportInterval{200};

std::atomic<PageThreadStarter> pageThreadStarter{nullptr};

std::int32_t rowsDone(const RepairRun& run, std::int32_t total) {
    const std::int64_t done = std::int64_t{completedPages.load()} * run.pageSize;
    return static_cast<std::int32_t>(done < total ? done : total);
}

bool startPageWorker(const WideString& parameter) {
    const PageThreadStarter starter = pageThreadStarter.load();
    return (starter ? starter : &platform::startThread)(&copyPage, parameter);
}

// Finds the range of page `page` of pageCount: its lower boundary is the previous page's upper one;
// its upper boundary lies pageSize rows further on (none for the last page). The outcome of the
// boundary query: on failure the range has no upper boundary.
QueryOutcome findRange(RepairRun& run, std::int32_t page, std::int32_t pageCount, PageRange& range) {
    const TablePlan& plan = run.table.plan;
    if (page > 0) {
        range.lower = run.table.pages[static_cast<std::size_t>(page - 1)].upper;
        if (!range.hasLower()) {
            range.isPastEnd = true;   // the count check will tell
            return QueryOutcome{true, true, {}, 0};
        }
    }
    if (page == pageCount - 1) return QueryOutcome{true, true, {}, 0};
    const std::vector<TypedValue> lowerValues = range.parameters();
    return run.source.queryPage(u"SELECT " + plan.keyColumns() + u" FROM " + plan.quotedTable + u" NOT INDEXED WHERE " +
                                    plan.rangeCondition(range.hasLower(), false) + u" ORDER BY " + plan.keyOrder() + u" LIMIT 1 OFFSET " +
                                    decimalText(run.pageSize),
                                range.upper, lowerValues);
}

// Waits until keepWaiting() no longer holds, reporting the running progress every 200 ms meanwhile.
// A finished page wakes it at once.
void waitForWorkers(RepairRun& run, const WideString& table, std::int32_t sourceRows, const std::function<bool()>& keepWaiting) {
    while (!run.table.completion.waitWhile(keepWaiting, kReportInterval))
        run.report(kProgressOfItem, table, sourceRows, rowsDone(run, sourceRows), kTextCopying);
}

bool failTable(RepairRun& run, const WideString& table, const WideString& text) {
    run.reportMessage(table, text);
    return false;
}

WideString withCause(const WideString& text, const WideString& cause) { return cause.empty() ? text : text + u"(" + cause + u")"; }

// The checks after every worker of the table has ended. The program's own failures fail the table
// even when it is exempt.
bool finishTable(RepairRun& run, const WideString& table, std::int32_t exempt, std::int32_t sourceRows, bool boundariesRead) {
    const TableTrouble& trouble = run.table.trouble;
    if (const auto error = trouble.firstStatementError()) return failTable(run, table, withCause(kTextStatementFailed + table, *error));

    const std::int64_t targetRows = run.table.copiedRows.load();
    const bool isShort = !boundariesRead || targetRows != sourceRows;
    const auto reportWriteFailure = [&] {
        if (const auto error = trouble.firstWriteError(); error && isShort) run.reportMessage(table, kTextWriteFailed + *error);
    };
    if (exempt == 1) {
        // Exempt tables do not fail on their count, but what they lost is said.
        if (isShort)
            run.report(kProgressMessage, table, sourceRows, rowsDone(run, sourceRows),
                       kTextExemptTable + table + kTextExemptSourceCount + decimalText(sourceRows) + kTextNewCount + decimalText(targetRows));
        reportWriteFailure();
        return true;
    }
    if (!isShort) return true;
    run.report(kProgressMessage, table, sourceRows, static_cast<std::int32_t>(std::int64_t{completedPages.load()} * run.pageSize),
               kTextCountsDiffer + decimalText(sourceRows) + kTextNewCount + decimalText(targetRows));
    reportWriteFailure();
    return false;
}

// Copies the rows of one page's range inside SQLite, under the target's writer lock.
void copyRange(RepairRun& run, const PageRange& range) {
    const TablePlan& plan = run.table.plan;
    std::vector<TypedValue> bounds = range.parameters();
    const WideString columns = quotedNameList(plan.readColumns);
    const WideString select = u"SELECT " + columns + u" FROM " + kSourceSchema + u"." + plan.quotedTable + u" NOT INDEXED WHERE " +
                              plan.rangeCondition(range.hasLower(), range.hasUpper());
    const WideString into = u"INTO main." + plan.quotedTable + u" (" + columns + u") ";
    TableTrouble& trouble = run.table.trouble;
    const WriterLock lock(run.target);
    const QueryOutcome copied = run.target.execBound(u"INSERT " + into + select, bounds);
    run.table.copiedRows += copied.changedRows;
    if (copied) return;
    if (!copied.prepared) {
        trouble.noteStatementFailure(copied.error);
        return;
    }
    // SQLite undid the whole statement. Damage part way (SQLITE_CORRUPT) rolls back the whole
    // transaction whatever else it holds, so the rows before it are counted first and then copied
    // alone; a row the table refuses is left out of the copy. Anything else (a full disk) is said as it is.
    if (copied.errorCode != SQLITE_CORRUPT) trouble.noteWriteFailure(copied.error);
    const QueryOutcome readable = run.target.execBound(select, bounds);
    if (!readable.prepared) trouble.noteStatementFailure(readable.error);
    if (readable.rowsRead == 0) return;
    bounds.push_back(integerValue(readable.rowsRead));
    const QueryOutcome kept =
        run.target.execBound(u"INSERT OR IGNORE " + into + select + u" LIMIT ?" + decimalText(static_cast<std::int64_t>(bounds.size())), bounds);
    run.table.copiedRows += kept.changedRows;
    if (!kept) trouble.noteWriteFailure(kept.error);
}

}  // namespace

void setPageThreadStarter(PageThreadStarter starter) { pageThreadStarter = starter; }

bool copyTable(RepairRun& run, const WideString& table, std::int32_t exempt) {
    TablePlan& plan = run.table.plan;
    const auto shape = run.shapes.find(table);
    if (shape == run.shapes.end() || !planTable(run.source, table, shape->second, plan)) return failTable(run, table, kTextUnreadable + table);
    if (!run.createdTables.contains(table)) return failTable(run, table, withCause(kTextNotCreated + table, run.target.lastError()));
    if (plan.kind == TablePlan::Kind::virtualTable) return true;

    const auto counted = run.source.queryInteger(u"SELECT COUNT(*) FROM " + plan.quotedTable + u" NOT INDEXED");
    if (!counted) return failTable(run, table, kTextUnreadable + table);
    const auto sourceRows = static_cast<std::int32_t>(*counted);
    if (sourceRows == 0) return true;

    const std::int32_t columnCount = static_cast<std::int32_t>(plan.readColumns.size());
    const std::int32_t pageCount = sourceRows / run.pageSize + (sourceRows % run.pageSize ? 1 : 0);
    run.table.pages.assign(static_cast<std::size_t>(pageCount), PageRange());
    run.table.turns.reset(pageCount);
    run.table.trouble.reset();
    run.table.completion.reset();
    run.table.copiedRows = 0;
    bool boundariesRead = true;
    for (std::int32_t page = 0; page < pageCount; ++page) {
        if (boundariesRead) {
            const QueryOutcome found = findRange(run, page, pageCount, run.table.pages[static_cast<std::size_t>(page)]);
            if (!found.prepared) run.table.trouble.noteStatementFailure(found.error);
            boundariesRead = found.complete;
        }
        // A page whose boundary could not be read, or whose worker cannot start, is counted as
        // finished without rows: the table then fails its count check instead of waiting forever.
        const WideString parameter = decimalText(columnCount) + kParameterSeparator + table + kParameterSeparator + decimalText(page);
        if (!boundariesRead || !startPageWorker(parameter)) {
            run.table.turns.finish(page);
            run.table.completion.finishPage();
        }
        waitForWorkers(run, table, sourceRows, [page] { return page - completedPages.load() >= kMaxUnfinishedWorkers; });
        run.report(kProgressOfItem, table, sourceRows, rowsDone(run, sourceRows), kTextCopying);
    }
    waitForWorkers(run, table, sourceRows, [pageCount] { return completedPages.load() != pageCount; });
    run.report(kProgressOfItem, table, sourceRows, rowsDone(run, sourceRows), kTextCopied);
    return finishTable(run, table, exempt, sourceRows, boundariesRead);
}

void copyPage(WideString parameter) {
    const std::int64_t last = findText(parameter, kParameterSeparator, -1, true);
    const std::int32_t page = decimalValue(std::u16string_view(parameter).substr(static_cast<std::size_t>(last) + 2));
    // The table is the active run's: the name in the parameter (between the first and the last
    // separator, so that a name holding "||" survives) is the one the run is copying.
    RepairRun& run = activeRun();
    const PageRange& range = run.table.pages[static_cast<std::size_t>(page)];
    run.table.turns.waitFor(page);
    if (!range.isPastEnd) copyRange(run, range);
    run.table.turns.finish(page);
    run.table.completion.finishPage();
}
