// Pages are addressed by key ranges (rowid, or the primary key of a WITHOUT ROWID table), so every
// row is read once however large the table. Counts and boundaries are read from the table itself
// (NOT INDEXED): a damaged index must not decide how many rows there are. Boundary values travel
// as bound parameters, so a key holding any bytes (a NUL, invalid UTF-8) addresses its page.
#include "repair/table_copy.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "base/text_routines.h"
#include "repair/page_turns.h"
#include "repair/process_objects.h"
#include "repair/repair_job.h"
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
constexpr char16_t kTextValuesWouldChange[] = u"修复失败,数据与列类型不符,重建会改变数值:";
constexpr char16_t kTextWriteFailed[] = u"写入新数据库出错:";
constexpr char16_t kParameterSeparator[] = u"||";
constexpr std::int32_t kMaxUnfinishedWorkers = 50;
// Workers are watched in short steps, so that a finished page is followed at once by the next,
// while the running progress is reported at most every 200 ms.
constexpr std::uint64_t kWatchStepMilliseconds = 5;
constexpr std::uint32_t kReportMilliseconds = 200;

// The key range of one page: from the lower boundary (none for the first page) to the upper one
// (none for the last), each a row of key values.
struct PageRange {
    TypedPage lower;
    TypedPage upper;
    bool isPastEnd = false;   // the rows ran out before the count said: nothing to read

    bool hasLower() const { return lower.rowCount() > 0; }
    bool hasUpper() const { return upper.rowCount() > 0; }
    // The lower boundary's values, then the upper's; valid while the range lives unchanged.
    std::vector<TypedValue> parameters() const {
        std::vector<TypedValue> values;
        for (const TypedPage* boundary : {&lower, &upper})
            for (std::int32_t column = 0; boundary->rowCount() > 0 && column < boundary->columnCount(); ++column)
                values.push_back(boundary->value(0, column));
        return values;
    }
};

// What went wrong in a table's copy besides missing rows, noted by the workers.
class TableTrouble {
public:
    void reset() {
        const std::lock_guard<std::mutex> guard(lock);
        statementError.reset();
        writeError.reset();
        valueWouldChange = false;
    }
    void noteStatementFailure(const WideString& error) {
        const std::lock_guard<std::mutex> guard(lock);
        if (!statementError) statementError = error;
    }
    void noteWriteFailure(const WideString& error) {
        const std::lock_guard<std::mutex> guard(lock);
        if (!writeError) writeError = error;
    }
    void noteValueWouldChange() {
        const std::lock_guard<std::mutex> guard(lock);
        valueWouldChange = true;
    }
    std::optional<WideString> firstStatementError() const {
        const std::lock_guard<std::mutex> guard(lock);
        return statementError;
    }
    std::optional<WideString> firstWriteError() const {
        const std::lock_guard<std::mutex> guard(lock);
        return writeError;
    }
    bool anyValueWouldChange() const {
        const std::lock_guard<std::mutex> guard(lock);
        return valueWouldChange;
    }

private:
    mutable std::mutex lock;
    std::optional<WideString> statementError;
    std::optional<WideString> writeError;
    bool valueWouldChange = false;
};

// The table being copied. Written by copyTable before it starts a page's worker and not changed
// until every worker has ended, so workers read it without a lock.
struct TableCopy {
    TablePlan plan;
    std::vector<PageRange> pages;
    PageTurns turns;
    TableTrouble trouble;
};
TableCopy current;
std::atomic<PageThreadStarter> pageThreadStarter{nullptr};

void report(std::int32_t kind, const WideString& table, std::int32_t total, std::int32_t done, const WideString& text) {
    repairJob.repairProgress.raise(repairJob, kind, table, total, done, text);
}

bool existsInTarget(const WideString& table) {
    const std::string name = toUtf8(table);
    const TypedValue nameValue[] = {textValue(name)};
    const auto found = targetDb.queryInteger(u"SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = ?1", nameValue);
    return found && *found == 1;
}

std::int32_t rowsDone(std::int32_t total) {
    const std::int64_t done = std::int64_t{completedPages.load()} * pageSize;
    return static_cast<std::int32_t>(done < total ? done : total);
}

bool startPageWorker(const WideString& parameter) {
    const PageThreadStarter starter = pageThreadStarter.load();
    return (starter ? starter : &platform::startThread)(&copyPage, parameter);
}

// Finds the range of page `page` of pageCount: its lower boundary is the previous page's upper one;
// its upper boundary lies pageSize rows further on (none for the last page). The outcome of the
// boundary query: on failure the range has no upper boundary.
QueryOutcome findRange(std::int32_t page, std::int32_t pageCount, const PageRange* previous, PageRange& range) {
    const TablePlan& plan = current.plan;
    if (previous) {
        range.lower = previous->upper;
        if (!range.hasLower()) {
            range.isPastEnd = true;   // the count check will tell
            return QueryOutcome{true, true, {}};
        }
    }
    if (page == pageCount - 1) return QueryOutcome{true, true, {}};
    const std::vector<TypedValue> lowerValues = range.parameters();
    return sourceDb.queryPage(u"SELECT " + plan.keyColumns() + u" FROM " + plan.quotedTable + u" NOT INDEXED WHERE " +
                                  plan.rangeCondition(range.hasLower(), false) + u" ORDER BY " + plan.keyOrder() + u" LIMIT 1 OFFSET " +
                                  decimalText(pageSize),
                              range.upper, lowerValues);
}

// Waits, dispatching messages, while keepWaiting() holds, reporting the running progress now and
// then on the way.
template <typename Condition>
void watchWorkers(const WideString& table, std::int32_t sourceRows, Condition keepWaiting) {
    std::uint32_t lastReport = platform::tickCount();
    while (keepWaiting()) {
        platform::waitPumping(kWatchStepMilliseconds, 1);
        if (platform::tickCount() - lastReport < kReportMilliseconds) continue;
        report(2, table, sourceRows, rowsDone(sourceRows), kTextCopying);
        lastReport = platform::tickCount();
    }
}

bool failTable(const WideString& table, const WideString& text) {
    report(1, table, 0, 0, text);
    return false;
}

WideString withCause(const WideString& text, const WideString& cause) { return cause.empty() ? text : text + u"(" + cause + u")"; }

// The checks after every worker of the table has ended. The program's own failures and values
// that the rebuilt table would change fail the table even when it is exempt.
bool finishTable(const WideString& table, std::int32_t exempt, std::int32_t sourceRows, bool boundariesRead) {
    const TableTrouble& trouble = current.trouble;
    if (const auto error = trouble.firstStatementError()) return failTable(table, withCause(kTextStatementFailed + table, *error));
    if (trouble.anyValueWouldChange()) return failTable(table, kTextValuesWouldChange + table);

    const auto copied = targetDb.queryInteger(u"SELECT COUNT(*) FROM " + current.plan.quotedTable);
    const std::int64_t targetRows = copied ? *copied : 0;
    const bool isShort = !boundariesRead || !copied || targetRows != sourceRows;
    const auto reportWriteFailure = [&] {
        if (const auto error = trouble.firstWriteError(); error && isShort) report(1, table, 0, 0, kTextWriteFailed + *error);
    };
    if (exempt == 1) {
        // Exempt tables do not fail on their count, but what they lost is said.
        if (isShort)
            report(1, table, sourceRows, rowsDone(sourceRows),
                   kTextExemptTable + table + kTextExemptSourceCount + decimalText(sourceRows) + kTextNewCount + decimalText(targetRows));
        reportWriteFailure();
        return true;
    }
    if (!isShort) return true;
    report(1, table, sourceRows, static_cast<std::int32_t>(std::int64_t{completedPages.load()} * pageSize),
           kTextCountsDiffer + decimalText(sourceRows) + kTextNewCount + decimalText(targetRows));
    reportWriteFailure();
    return false;
}

// Reads the rows of a page into rows, and notes a value among them that the rebuilt table would
// change. A read that fails part way still hands on the rows it got; the count check sees the
// rest missing.
void readPage(const WideString& quotedTable, const PageRange& range, TypedPage& rows) {
    const TablePlan& plan = current.plan;
    const std::vector<TypedValue> bounds = range.parameters();
    const WideString condition = plan.rangeCondition(range.hasLower(), range.hasUpper());
    const QueryOutcome read =
        sourceDb.queryPage(u"SELECT " + quotedNameList(plan.readColumns) + u" FROM " + quotedTable + u" NOT INDEXED WHERE " + condition, rows, bounds);
    if (!read.prepared) current.trouble.noteStatementFailure(read.error);
    const WideString changed = plan.changedValueCondition();
    if (changed.empty()) return;
    // The page was just read, so counting its rows again reads nothing more from the disk.
    TypedPage changing;
    const QueryOutcome counted = sourceDb.queryPage(
        u"SELECT COUNT(*) FROM " + quotedTable + u" NOT INDEXED WHERE (" + condition + u") AND (" + changed + u")", changing, bounds);
    if (!counted.prepared) current.trouble.noteStatementFailure(counted.error);
    // A count that fails part way met the damage the read met, and the count check shows that.
    if (counted && changing.value(0, 0).integer > 0) current.trouble.noteValueWouldChange();
}

}  // namespace

void setPageThreadStarter(PageThreadStarter starter) { pageThreadStarter = starter; }

bool copyTable(const WideString& table, std::int32_t exempt) {
    TablePlan& plan = current.plan;
    if (!planTable(sourceDb, table, plan)) return failTable(table, kTextUnreadable + table);
    if (!existsInTarget(table)) return failTable(table, withCause(kTextNotCreated + table, targetDb.lastError()));
    if (plan.kind == TablePlan::Kind::virtualTable) return true;

    const auto counted = sourceDb.queryInteger(u"SELECT COUNT(*) FROM " + plan.quotedTable + u" NOT INDEXED");
    if (!counted) return failTable(table, kTextUnreadable + table);
    const auto sourceRows = static_cast<std::int32_t>(*counted);
    if (sourceRows == 0) return true;

    const std::int32_t columnCount = static_cast<std::int32_t>(plan.readColumns.size());
    const std::int32_t pageCount = sourceRows / pageSize + (sourceRows % pageSize ? 1 : 0);
    current.pages.assign(static_cast<std::size_t>(pageCount), PageRange());
    current.turns.reset(pageCount);
    current.trouble.reset();
    completedPages.exchange(0);
    bool boundariesRead = true;
    for (std::int32_t page = 0; page < pageCount; ++page) {
        PageRange& range = current.pages[static_cast<std::size_t>(page)];
        if (boundariesRead) {
            const QueryOutcome found = findRange(page, pageCount, page > 0 ? &current.pages[static_cast<std::size_t>(page - 1)] : nullptr, range);
            if (!found.prepared) current.trouble.noteStatementFailure(found.error);
            boundariesRead = found.complete;
        }
        // A page whose boundary could not be read, or whose worker cannot start, is counted as
        // finished without rows: the table then fails its count check instead of waiting forever.
        const WideString parameter = decimalText(columnCount) + kParameterSeparator + table + kParameterSeparator + decimalText(page);
        if (!boundariesRead || !startPageWorker(parameter)) {
            current.turns.finish(page);
            completedPages.add(1);
        }
        watchWorkers(table, sourceRows, [page] { return page - completedPages.load() >= kMaxUnfinishedWorkers; });
        report(2, table, sourceRows, rowsDone(sourceRows), kTextCopying);
    }
    watchWorkers(table, sourceRows, [pageCount] { return completedPages.load() != pageCount; });
    report(2, table, sourceRows, rowsDone(sourceRows), kTextCopied);
    return finishTable(table, exempt, sourceRows, boundariesRead);
}

void copyPage(WideString parameter) {
    const std::int64_t first = findText(parameter, kParameterSeparator, 0, false);
    const std::int64_t last = findText(parameter, kParameterSeparator, -1, true);
    // The name lies between the first and the last separator, so a name holding "||" survives.
    const WideString table = parameter.substr(static_cast<std::size_t>(first) + 2, static_cast<std::size_t>(last - first - 2));
    const std::int32_t page = decimalValue(std::u16string_view(parameter).substr(static_cast<std::size_t>(last) + 2));
    const PageRange& range = current.pages[static_cast<std::size_t>(page)];
    TypedPage rows;
    if (!range.isPastEnd) readPage(quotedName(table), range, rows);
    current.turns.waitFor(page);
    (void)targetDb.lock(0);
    const PageWriteResult written = targetDb.insertPage(current.plan.insertStatement(), rows);
    if (!written.committed || written.insertedRows != rows.rowCount()) current.trouble.noteWriteFailure(written.error);
    (void)targetDb.unlock(0);
    current.turns.finish(page);
    completedPages.add(1);
}
