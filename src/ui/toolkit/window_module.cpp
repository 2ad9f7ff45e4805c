// The window module's registry of message loops, changed only under its lock.
#include "ui/toolkit/window_module.h"

#include <algorithm>

void WindowModule::initialise() {
    mainThread = GetCurrentThreadId();
    std::lock_guard<std::mutex> guard(lock);
    loops.clear();
}

void WindowModule::registerLoop(DWORD threadId, MessagePump* loop) {
    std::lock_guard<std::mutex> guard(lock);
    std::erase_if(loops, [threadId](const LoopEntry& entry) { return entry.threadId == threadId; });
    loops.push_back({threadId, loop});
}

void WindowModule::unregisterLoop(DWORD threadId) {
    std::lock_guard<std::mutex> guard(lock);
    std::erase_if(loops, [threadId](const LoopEntry& entry) { return entry.threadId == threadId; });
}

MessagePump* WindowModule::loopOf(DWORD threadId) {
    std::lock_guard<std::mutex> guard(lock);
    const auto found =
        std::find_if(loops.begin(), loops.end(), [threadId](const LoopEntry& entry) { return entry.threadId == threadId; });
    return found == loops.end() ? nullptr : found->loop;
}

WindowModule& windowModule() {
    static WindowModule module;
    return module;
}
