// The state of the table being copied, shared by its coordinator and its page workers: each page's
// key range, the order in which pages write, the count of finished pages with a wake-up for whoever
// waits on it, and what went wrong besides missing rows.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "db/typed_page.h"
#include "repair/page_turns.h"
#include "repair/table_plan.h"

// The key range of one page: from the lower boundary (none for the first page) to the upper one
// (none for the last), each a row of key values.
struct PageRange {
    TypedPage lower;
    TypedPage upper;
    bool isPastEnd = false;   // the rows ran out before the count said: nothing to read

    bool hasLower() const { return lower.rowCount() > 0; }
    bool hasUpper() const { return upper.rowCount() > 0; }
    // The lower boundary's values, then the upper's; valid while the range lives unchanged.
    std::vector<TypedValue> parameters() const;
};

// What went wrong in a table's copy besides missing rows, noted by the workers.
class TableTrouble {
public:
    void reset();
    // A statement that could not be prepared: the program's own fault, not the data's.
    void noteStatementFailure(const WideString& error);
    // A row or a page that could not be written (a full disk, a constraint the row breaks).
    void noteWriteFailure(const WideString& error);
    std::optional<WideString> firstStatementError() const;
    std::optional<WideString> firstWriteError() const;

private:
    mutable std::mutex lock;
    std::optional<WideString> statementError;
    std::optional<WideString> writeError;
};

// Finished pages, counted in the process's completedPages, and a wake-up on every one of them.
class PageCompletion {
public:
    // Starts a table: no page finished.
    void reset();
    void finishPage();
    // Waits while keepWaiting() holds, at most for the given time; true when it no longer holds.
    bool waitWhile(const std::function<bool()>& keepWaiting, std::chrono::milliseconds most);

private:
    std::mutex lock;
    std::condition_variable finished;
};

struct TableCopy {
    TablePlan plan;
    // Rows the page workers wrote into the table, which starts empty: its row count, known without
    // reading the table again.
    std::atomic<std::int64_t> copiedRows{0};
    std::vector<PageRange> pages;
    PageTurns turns;
    PageCompletion completion;
    TableTrouble trouble;
};
