// The state of the table being copied, shared by its coordinator and its page workers: each page's
// key range, the order in which pages write, the count of finished pages with a wake-up for whoever
// waits on it, and what went wrong besides missing rows.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "db/row_digest.h"
#include "db/typed_page.h"
#include "repair/page_turns.h"
#include "repair/table_plan.h"

// The key range of one page: from the lower boundary (none for the first page) to the upper one
// (none for the last), each a row of key values.
struct PageRange {
    TypedPage lower;
    TypedPage upper;

    bool hasLower() const { return lower.rowCount() > 0; }
    bool hasUpper() const { return upper.rowCount() > 0; }
    // The lower boundary's values, then the upper's; valid while the range lives unchanged.
    std::vector<TypedValue> parameters() const;
};

// What the page workers found: the digest of every row they read from the source and handed to
// the rebuilt table, and what went wrong besides rows the source could not give.
class TableTrouble {
public:
    void reset();
    // Rows a page's statement read from the source and handed on, once the statement completed.
    void addCopiedRows(const RowDigest& rows);
    // A statement that could not be prepared: the program's own fault, not the data's.
    void noteStatementFailure(const WideString& error);
    // A write that failed (a full disk, an I/O error): the program's own failure, not damage.
    void noteWriteFailure(const WideString& error);
    // A row the rebuilt table refused (a NOT NULL, CHECK or UNIQUE constraint the row breaks).
    void noteRefusal(const WideString& error);
    // A page whose rows the source could not give whole (SQLITE_CORRUPT part way).
    void noteDamage();
    // A page boundary that could not be read: that page and every later one copy nothing.
    void noteBoundaryUnread();
    RowDigest copiedRows() const;
    // Rows read back from the rebuilt table, page by page (TablePlan::mayReplaceRows).
    void addStoredRows(const RowDigest& rows);
    RowDigest storedRows() const;
    // A page whose rows could not be read back from the rebuilt table: the table cannot be vouched for.
    void noteReadBackFailure(const WideString& error);
    std::optional<WideString> firstReadBackError() const;
    std::optional<WideString> firstStatementError() const;
    std::optional<WideString> firstWriteError() const;
    std::optional<WideString> firstRefusal() const;
    bool metDamage() const;
    bool boundariesRead() const;

private:
    mutable std::mutex lock;
    RowDigest copied;
    RowDigest stored;
    std::optional<WideString> readBackError;
    std::optional<WideString> statementError;
    std::optional<WideString> writeError;
    std::optional<WideString> refusal;
    bool damage = false;
    bool boundaryUnread = false;
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
    std::vector<PageRange> pages;
    PageTurns turns;
    PageCompletion completion;
    TableTrouble trouble;
};
