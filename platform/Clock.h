#pragma once
#include <cstdint>

namespace platform {
// Milliseconds of a monotonic clock; 64 bits, so it never wraps.
std::uint64_t TickCount();
void SleepMs(std::uint32_t ms);

// Test hook: a virtual clock in place of the real one, for harnesses that must not wait (the
// fuzz targets). Both functions are required. nullptr puts the real clock back. Set it before
// the clock is used and keep the hooks alive while they are set.
struct ClockHooks {
  std::uint64_t (*now)();
  void (*sleep)(std::uint32_t ms);
};
void SetClockForTesting(const ClockHooks* hooks);
}  // namespace platform
