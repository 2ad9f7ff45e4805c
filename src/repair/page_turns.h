// The order in which the page workers of one table write: page by page. Rows then go to the end
// of the table's b-tree, which keeps the inserts cheap and the rebuilt file compact, and finishing
// one page wakes exactly the worker of the next.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

class PageTurns {
public:
    // A new table of pageCount pages: page 0 may write.
    void reset(std::int32_t pageCount);
    // Blocks until the page's turn has come.
    void waitFor(std::int32_t page) const;
    // The page is written, or will never be: the next page's turn.
    void finish(std::int32_t page);

private:
    std::unique_ptr<std::atomic<bool>[]> mayWrite;
    std::int32_t count = 0;
};
