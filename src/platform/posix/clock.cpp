// Time and waiting on Linux: the monotonic clock, and plain sleeps (there is no message queue to pump).
#include <time.h>

#include <chrono>
#include <thread>

#include "platform/platform.h"
#include "platform/system_clock.h"

namespace platform {

std::uint32_t systemTickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(milliseconds);
}

void waitPumping(std::uint64_t milliseconds, std::int32_t) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace platform
