// Detached threads on Linux. The new thread takes over a heap copy of its parameter text.
#include <errno.h>
#include <pthread.h>
#include <unistd.h>

#include <memory>

#include "platform/platform.h"

namespace platform {

namespace {

constexpr std::uint64_t kRetryDelayMs = 100;

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
    for (;;) {
        pthread_t thread;
        const int error = pthread_create(&thread, &attributes, runThread, start.get());
        if (error == 0) {
            start.release();   // the thread owns it now
            break;
        }
        if (error == ENOMEM) {
            pthread_attr_destroy(&attributes);
            return false;
        }
        // A shortage of threads or other resources passes; try again, without a limit.
        waitPumping(kRetryDelayMs, 0);
    }
    pthread_attr_destroy(&attributes);
    return true;
}

std::int32_t currentThreadId() { return static_cast<std::int32_t>(gettid()); }

}  // namespace platform
