#pragma once
// The loader's end of the line: one byte at a time over the pty master, paced like a real
// serial line when asked, every byte recorded, and every wait cut short by Stop.
#include <chrono>
#include <cstdint>
#include <optional>

#include "sim/Shared.h"

namespace sim {

class Channel {
 public:
  explicit Channel(Shared& shared) : shared_(shared) {}

  // The next byte from the host, once it has fully arrived at the current speed; nullopt when
  // the simulator is stopping. With unplugAsked, an Unplug asked for while waiting also ends
  // the wait: nullopt with *unplugAsked set.
  std::optional<std::uint8_t> Receive(bool* unplugAsked = nullptr);
  // Hands a byte back: the next Receive returns it again without waiting or recording.
  void Unread(std::uint8_t b) { unread_ = b; }
  // Sends one byte, after the time it takes to travel; false when stopping.
  bool Send(std::uint8_t b);
  // Sleeps, or returns false at once when stopping.
  bool SleepMs(unsigned ms);

  // The speed that paces the following bytes (LineSpeed() is the loader's business).
  void SetSpeed(std::uint32_t bitsPerSecond);
  // After a replug: nothing queued, nothing handed back, the line idle.
  void Reset();

 private:
  using Clock = std::chrono::steady_clock;
  bool WaitUntil(Clock::time_point t);
  // Waits for events on the master. Kicked: an Unplug was asked for (only when watchKick).
  enum class Wait { Ready, TimeOut, Stopping, Kicked };
  Wait WaitFd(short events, int timeoutMs, bool watchKick = false);
  void Record(bool fromHost, std::uint8_t b);
  Clock::duration ByteTime() const;

  Shared& shared_;
  std::optional<std::uint8_t> unread_;
  std::uint32_t speed_ = 9600;
  Clock::time_point rxFree_{};      // when the latest byte from the host has fully arrived
  Clock::time_point rxEarliest_{};  // the next byte from the host left no earlier than this
  Clock::time_point txFree_{};
};

}  // namespace sim
