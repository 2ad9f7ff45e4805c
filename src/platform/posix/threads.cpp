// Detached threads on Linux. The new thread takes over a heap copy of its parameter text.
#include <pthread.h>
#include <unistd.h>

#include <memory>

#include "platform/platform.h"

namespace platform {

namespace {

struct ThreadStart {
    ThreadRoutine routine;
    WideString parameter;
};

void* runThread(void* block) {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(block));
    start->routine(std::move(start->parameter));
    return nullptr;
}

}  // namespace

bool startThread(ThreadRoutine routine, const std::optional<WideString>& parameter) {
    auto start = std::make_unique<ThreadStart>(ThreadStart{routine, parameter.value_or(WideString())});
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    // EAGAIN (no memory for the stack, or the thread limit reached) is what Windows reports as out
    // of memory, a failed start there too; the other errors are about the attributes and never pass.
    const int error = pthread_create(&thread, &attributes, runThread, start.get());
    pthread_attr_destroy(&attributes);
    if (error != 0) return false;
    start.release();   // the thread owns it now
    return true;
}

std::int32_t currentThreadId() { return static_cast<std::int32_t>(gettid()); }

}  // namespace platform
