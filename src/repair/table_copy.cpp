// Pages are addressed by key ranges (rowid, or the primary key of a WITHOUT ROWID table), so every
// row is read once however large the table. Counts and boundaries are read from the table itself
// (NOT INDEXED): a damaged index must not decide how many rows there are.
#include "repair/table_copy.h"

#include <atomic>
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
constexpr char16_t kTextUnreadable[] = u"修复失败,无法读取表:";
constexpr char16_t kTextNotCreated[] = u"修复失败,无法创建表:";
constexpr char16_t kParameterSeparator[] = u"||";
constexpr std::int32_t kMaxUnfinishedWorkers = 50;
// Workers are watched in short steps, so that a finished page is followed at once by the next,
// while the running progress is reported at most every 200 ms.
constexpr std::uint64_t kWatchStepMilliseconds = 5;
constexpr std::uint32_t kReportMilliseconds = 200;

// The table being copied. Written by copyTable before it starts a page's worker and not changed
// until every worker has ended, so workers read it without a lock.
struct TableCopy {
    TablePlan plan;
    std::vector<WideString> pageConditions;
    PageTurns turns;
};
TableCopy current;
std::atomic<PageThreadStarter> pageThreadStarter{nullptr};

void report(std::int32_t kind, const WideString& table, std::int32_t total, std::int32_t done, const WideString& text) {
    repairJob.repairProgress.raise(repairJob, kind, table, total, done, text);
}

bool existsInTarget(const WideString& table) {
    const auto found = targetDb.queryInteger(u"SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = " + stringLiteral(table));
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

// The condition of page `page` of pageCount: from the previous page's boundary (none for the first)
// to the next boundary, found pageSize rows further on (none for the last). Returns false when the
// boundary cannot be read; lower then holds the next page's lower boundary (no row when none).
bool pageCondition(std::int32_t page, std::int32_t pageCount, TypedPage& lower, WideString& condition) {
    const TablePlan& plan = current.plan;
    if (page > 0 && lower.rowCount() == 0) {
        condition = u"0";   // the rows ran out before the count said: the count check will tell
        return true;
    }
    condition = page > 0 ? plan.keyFrom(lower, 0) : WideString(u"1");
    if (page == pageCount - 1) return true;
    TypedPage upper;
    const WideString statement = u"SELECT " + plan.keyColumns() + u" FROM " + plan.quotedTable + u" NOT INDEXED WHERE " + condition +
                                 u" ORDER BY " + plan.keyOrder() + u" LIMIT 1 OFFSET " + decimalText(pageSize);
    if (!sourceDb.queryPage(statement, upper)) return false;
    if (upper.rowCount() > 0) condition += u" AND " + plan.keyBefore(upper, 0);
    lower = std::move(upper);
    return true;
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

bool failTable(const WideString& table, const char16_t* text) {
    report(1, table, 0, 0, text + table);
    return false;
}

}  // namespace

void setPageThreadStarter(PageThreadStarter starter) { pageThreadStarter = starter; }

bool copyTable(const WideString& table, std::int32_t exempt) {
    TablePlan& plan = current.plan;
    if (!planTable(sourceDb, table, plan)) return failTable(table, kTextUnreadable);
    if (!existsInTarget(table)) return failTable(table, kTextNotCreated);
    if (plan.kind == TablePlan::Kind::virtualTable) return true;

    const auto counted = sourceDb.queryInteger(u"SELECT COUNT(*) FROM " + plan.quotedTable + u" NOT INDEXED");
    if (!counted) return failTable(table, kTextUnreadable);
    const auto sourceRows = static_cast<std::int32_t>(*counted);
    if (sourceRows == 0) return true;

    const std::int32_t columnCount = static_cast<std::int32_t>(plan.readColumns.size());
    const std::int32_t pageCount = sourceRows / pageSize + (sourceRows % pageSize ? 1 : 0);
    current.pageConditions.assign(static_cast<std::size_t>(pageCount), WideString());
    current.turns.reset(pageCount);
    completedPages.exchange(0);
    bool boundariesRead = true;
    TypedPage boundary;
    for (std::int32_t page = 0; page < pageCount; ++page) {
        auto& condition = current.pageConditions[static_cast<std::size_t>(page)];
        if (boundariesRead) boundariesRead = pageCondition(page, pageCount, boundary, condition);
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
    if (exempt == 1) return true;

    const auto copied = targetDb.queryInteger(u"SELECT COUNT(*) FROM " + plan.quotedTable);
    if (boundariesRead && copied && *copied == sourceRows) return true;
    const std::int64_t targetRows = copied ? *copied : 0;
    report(1, table, sourceRows, static_cast<std::int32_t>(std::int64_t{completedPages.load()} * pageSize),
           kTextCountsDiffer + decimalText(sourceRows) + kTextNewCount + decimalText(targetRows));
    return false;
}

void copyPage(WideString parameter) {
    const std::int64_t first = findText(parameter, kParameterSeparator, 0, false);
    const std::int64_t last = findText(parameter, kParameterSeparator, -1, true);
    // The name lies between the first and the last separator, so a name holding "||" survives.
    const WideString table = parameter.substr(static_cast<std::size_t>(first) + 2, static_cast<std::size_t>(last - first - 2));
    const std::int32_t page = decimalValue(std::u16string_view(parameter).substr(static_cast<std::size_t>(last) + 2));
    const TablePlan& plan = current.plan;
    TypedPage rows;
    // A read that fails part way still hands on the rows it got; the count check sees the rest missing.
    (void)sourceDb.queryPage(u"SELECT " + quotedNameList(plan.readColumns) + u" FROM " + quotedName(table) +
                                 u" NOT INDEXED WHERE " + current.pageConditions[static_cast<std::size_t>(page)],
                             rows);
    current.turns.waitFor(page);
    (void)targetDb.lock(0);
    (void)targetDb.insertPage(plan.insertStatement(), rows);   // a failed row shows up in the count check
    (void)targetDb.unlock(0);
    current.turns.finish(page);
    completedPages.add(1);
}
