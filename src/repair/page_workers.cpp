#include "repair/page_workers.h"

#include <system_error>

PageWorkers::~PageWorkers() {
    {
        const std::lock_guard<std::mutex> guard(lock);
        isClosing = true;
    }
    workArrived.notify_one();
    if (thread.joinable()) thread.join();
}

bool PageWorkers::start(platform::ThreadRoutine routine, WideString parameter) {
    std::unique_lock<std::mutex> guard(lock);
    if (!thread.joinable()) {
        try {
            thread = std::thread(&PageWorkers::serve, this);
        } catch (const std::system_error&) {
            return false;
        }
    }
    waiting.emplace_back(routine, std::move(parameter));
    guard.unlock();
    workArrived.notify_one();
    return true;
}

void PageWorkers::serve() {
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
        workArrived.wait(guard, [this] { return isClosing || !waiting.empty(); });
        if (waiting.empty()) return;
        auto [routine, parameter] = std::move(waiting.front());
        waiting.pop_front();
        guard.unlock();
        routine(std::move(parameter));
        guard.lock();
    }
}
