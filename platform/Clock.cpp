#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace platform {
namespace {
std::atomic<const ClockHooks*> testHooks{nullptr};
}  // namespace

std::uint64_t TickCount() {
  if (const ClockHooks* hooks = testHooks.load(std::memory_order_acquire)) return hooks->now();
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SleepMs(std::uint32_t ms) {
  if (const ClockHooks* hooks = testHooks.load(std::memory_order_acquire)) return hooks->sleep(ms);
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SetClockForTesting(const ClockHooks* hooks) {
  testHooks.store(hooks, std::memory_order_release);
}

}  // namespace platform
