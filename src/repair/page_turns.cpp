#include "repair/page_turns.h"

void PageTurns::reset(std::int32_t pageCount) {
    const auto slots = static_cast<std::size_t>(pageCount) + 1;
    const std::lock_guard<std::mutex> guard(lock);
    mayWrite = std::make_unique<bool[]>(slots);
    turnCame = std::make_unique<std::condition_variable[]>(slots);
    mayWrite[0] = true;
}

void PageTurns::waitFor(std::int32_t page) const {
    const auto slot = static_cast<std::size_t>(page);
    std::unique_lock<std::mutex> guard(lock);
    turnCame[slot].wait(guard, [&] { return mayWrite[slot]; });
}

void PageTurns::finish(std::int32_t page) {
    const auto next = static_cast<std::size_t>(page) + 1;
    const std::lock_guard<std::mutex> guard(lock);
    mayWrite[next] = true;
    turnCame[next].notify_one();
}
