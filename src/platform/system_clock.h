// The operating system's millisecond clock, behind tickCount() and its test override.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start, wrapping at 2^32 (GetTickCount, CLOCK_MONOTONIC).
std::uint32_t systemTickCount();

}  // namespace platform
