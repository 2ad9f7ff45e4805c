// The order in which the page workers of one table write: page by page. Rows then go to the end
// of the table's b-tree, which keeps the inserts cheap and the rebuilt file compact, and finishing
// one page wakes exactly the worker of the next.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

class PageTurns {
public:
    // A new table of pageCount pages: page 0 may write. Only while no worker waits.
    void reset(std::int32_t pageCount);
    // Blocks until the page's turn has come.
    void waitFor(std::int32_t page) const;
    // The page is written, or will never be: the next page's turn.
    void finish(std::int32_t page);

private:
    // One mutex and a condition variable per page rather than std::atomic<bool>::wait: the MinGW
    // GCC 12 runtime implements that wait with a check outside its lock, so a notify that comes
    // between the check and the sleep is lost and the table's copy waits forever.
    mutable std::mutex lock;
    std::unique_ptr<bool[]> mayWrite;   // guarded by lock
    std::unique_ptr<std::condition_variable[]> turnCame;
};
