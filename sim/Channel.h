#pragma once
// The loader's end of the line: one byte at a time over the pty master, paced like a real
// serial line when asked, delayed as a USB bridge delays it when asked, every byte recorded,
// and every wait cut short by Stop. It also watches what the host asked of the line (the pty's
// settings, or what a bridge model declared): a byte sent at another speed or parity than the
// loader's reaches the loader unreadable.
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/Shared.h"

namespace sim {

class Channel {
 public:
  explicit Channel(Shared& shared) : shared_(shared) {}

  // The next byte from the host, as soon as the host has written it; with pacing, the
  // transcript dates it when it has fully arrived at the current speed, and no answer leaves
  // before then (Send). A byte the loader cannot read (the host's line does not match the
  // loader's) comes as kUnreadable. nullopt when the simulator is stopping. With unplugAsked, an
  // Unplug asked for while waiting also ends the wait: nullopt with *unplugAsked set.
  std::optional<std::uint8_t> Receive(bool* unplugAsked = nullptr);
  // Hands a byte back: the next Receive returns it again without waiting or recording.
  void Unread(std::uint8_t b) { unread_ = b; }
  // Sends one byte, after the time it takes to travel (starting once the host's bytes so far have
  // arrived); false when stopping.
  bool Send(std::uint8_t b);
  // Sleeps, or returns false at once when stopping.
  bool SleepMs(unsigned ms);

  // The speed that paces the following bytes (LineSpeed() is the loader's business).
  void SetSpeed(std::uint32_t bitsPerSecond);
  // Reads the host's line as the serving starts (and after a replug, after Reset).
  void Start();
  // After a replug: nothing queued, nothing handed back, the line idle, the new pty's settings
  // read.
  void Reset();

  // What a garbled byte reads as: neither a command, nor a hex digit, nor an acknowledgement.
  static constexpr std::uint8_t kUnreadable = 0x00;

 private:
  using Clock = std::chrono::steady_clock;
  bool WaitUntil(Clock::time_point t);
  // Waits for events on the master. Kicked: an Unplug was asked for (only when watchKick).
  enum class Wait { Ready, TimeOut, Stopping, Kicked };
  Wait WaitFd(short events, int timeoutMs, bool watchKick = false);
  void Record(bool fromHost, std::uint8_t b, Clock::time_point at, bool unreadable = false);
  std::uint8_t Take();               // the next byte of the inbox, paced and recorded
  bool KickPending();                // an Unplug was asked for (and is taken now)
  Clock::duration ByteTime() const;  // 0 without pacing
  bool Timed() const;                // pacing or a bridge's latency: bytes have times to keep
  // The host's line now, as the options' source shows it; a change goes into the log.
  HostLine ReadHostLine();

  Shared& shared_;
  std::optional<std::uint8_t> unread_;
  std::vector<std::uint8_t> inbox_;  // bytes read from the master, not yet taken
  std::size_t inboxAt_ = 0;
  HostLine inboxLine_;  // the host's line when the inbox was read
  std::uint32_t speed_ = 9600;
  Clock::time_point rxFree_{};      // when the latest byte from the host has fully arrived
  Clock::time_point rxEarliest_{};  // the next byte from the host left no earlier than this
  Clock::time_point burstAt_{};     // when the inbox was read
  Clock::time_point txFree_{};
  // The loader sent last and took nothing since: the thread waited out the bridge's latency
  // after the loader's own time, which runs that much behind the clock until the next byte.
  bool answering_ = false;
};

}  // namespace sim
