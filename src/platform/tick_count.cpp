// tickCount() reads the system clock unless a test has put its own source in its place.
#include <atomic>

#include "platform/platform.h"
#include "platform/system_clock.h"

namespace platform {

namespace {

std::atomic<std::uint32_t (*)()> tickSource{nullptr};

}  // namespace

std::uint32_t tickCount() {
    const auto source = tickSource.load();
    return source ? source() : systemTickCount();
}

void setTickSource(std::uint32_t (*source)()) { tickSource.store(source); }

}  // namespace platform
