#pragma once
#include <cstdint>

namespace platform {
// Milliseconds of a monotonic clock; 64 bits, so it never wraps.
std::uint64_t TickCount();
void SleepMs(std::uint32_t ms);
}  // namespace platform
