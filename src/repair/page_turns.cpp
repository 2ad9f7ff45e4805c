#include "repair/page_turns.h"

void PageTurns::reset(std::int32_t pageCount) {
    count = pageCount;
    mayWrite = std::make_unique<std::atomic<bool>[]>(static_cast<std::size_t>(pageCount) + 1);
    mayWrite[0] = true;
}

void PageTurns::waitFor(std::int32_t page) const { mayWrite[static_cast<std::size_t>(page)].wait(false); }

void PageTurns::finish(std::int32_t page) {
    std::atomic<bool>& next = mayWrite[static_cast<std::size_t>(page) + 1];
    next = true;
    next.notify_one();
}
