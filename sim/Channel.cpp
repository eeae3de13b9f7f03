#include "sim/Channel.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "platform/Clock.h"
#include "platform/TermiosKernel.h"

namespace sim {
namespace {

constexpr int kSendLimitMs = 1000;  // a byte nobody reads is dropped after this

timespec ToTimespec(std::chrono::nanoseconds d) {
  if (d.count() < 0) d = std::chrono::nanoseconds(0);
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(d.count() / 1000000000);
  ts.tv_nsec = static_cast<long>(d.count() % 1000000000);
  return ts;
}

}  // namespace

std::optional<std::uint8_t> Channel::Receive(bool* unplugAsked) {
  if (unread_) {
    const std::uint8_t b = *unread_;
    unread_.reset();
    return b;
  }
  const bool watchKick = unplugAsked != nullptr;
  for (;;) {
    if (inboxAt_ < inbox_.size()) {
      if (watchKick && KickPending()) {
        *unplugAsked = true;
        return std::nullopt;
      }
      return Take();
    }
    Wait w = WaitFd(POLLIN, 0, watchKick);
    if (w == Wait::TimeOut) {  // nothing queued: the byte starts its way no earlier than now
      w = WaitFd(POLLIN, -1, watchKick);
      rxEarliest_ = Clock::now();
    }
    if (w == Wait::Kicked) {
      *unplugAsked = true;
      return std::nullopt;
    }
    if (w != Wait::Ready) return std::nullopt;
    // Whatever the host has written so far, in one call: a system call a byte costs more than
    // several paced ports at once can afford. In packet mode the first byte of a read tells
    // what follows: data, or only the news that the host changed the terminal's settings.
    std::uint8_t burst[257];
    const ssize_t n = read(shared_.pty.Master(), burst, sizeof burst);
    if (n > 0) {
      inboxLine_ = ReadHostLine();
      if (burst[0] == TIOCPKT_DATA && n > 1) {
        inbox_.assign(burst + 1, burst + n);
        inboxAt_ = 0;
        burstAt_ = Clock::now();
      }
      continue;
    }
    // EAGAIN, or EIO while no slave is open: not expected with our own slave held, but never
    // spin on it.
    if (n < 0 && errno != EAGAIN && errno != EINTR && !SleepMs(10)) return std::nullopt;
  }
}

std::uint8_t Channel::Take() {
  const std::uint8_t b = inbox_[inboxAt_++];
  answering_ = false;
  Clock::time_point arrived = Clock::now();
  if (Timed()) {
    // Bytes the host wrote in one go follow each other on the line; reckoning from the previous
    // byte's end, not from when this thread got round to reading, keeps late wake-ups from
    // adding up. The loader may look at the byte before it has fully arrived: nothing of it
    // shows on the line until an answer, and Send starts no answer before then. Sleeping here
    // byte by byte would cost a wake-up a byte, which several paced ports cannot afford. A
    // bridge hands the host's bytes over outLatencyMs later: the first of a burst waits for
    // that, counted from when the host wrote it (no later than when it was read), and the
    // others follow it on the line.
    const auto out = std::chrono::milliseconds(shared_.options.outLatencyMs);
    const Clock::time_point sent = out.count() > 0 ? std::max(rxEarliest_, burstAt_) : rxEarliest_;
    rxFree_ = std::max(sent + out, rxFree_) + ByteTime();
    arrived = rxFree_;
  }
  const LineSource source = shared_.options.line;
  const bool readable = source == LineSource::Unchecked || LoaderCanRead(inboxLine_, speed_) ||
                        (source == LineSource::QemuPty && inboxLine_.enabled &&
                         inboxLine_.speed == QemuSerialRate(speed_));
  Record(true, b, arrived, !readable);
  return readable ? b : kUnreadable;
}

HostLine Channel::ReadHostLine() {
  HostLine line;
  switch (shared_.options.line) {
    case LineSource::Unchecked:
      return line;
    case LineSource::Declared: {
      std::lock_guard lock(shared_.mutex);
      return shared_.hostLine;
    }
    case LineSource::Pty:
    case LineSource::QemuPty: {
      std::uint32_t in = 0, out = 0;
      if (platform::termios_kernel::GetSpeeds(shared_.pty.Slave(), in, out) == 0) line.speed = out;
      std::lock_guard lock(shared_.mutex);
      shared_.NoteLine(line, platform::TickCount());
      return line;
    }
  }
  return line;
}

bool Channel::KickPending() {
  pollfd p{shared_.kickFd, POLLIN, 0};
  if (poll(&p, 1, 0) <= 0 || !(p.revents & POLLIN)) return false;
  std::uint64_t count = 0;
  [[maybe_unused]] const ssize_t n = read(shared_.kickFd, &count, sizeof count);
  return true;
}

bool Channel::Send(std::uint8_t b) {
  if (Timed()) {
    // Not before the host's last byte has fully arrived, nor before the previous answer is out;
    // the bridge hands it to the host inLatencyMs after it left the loader. Waiting out that
    // latency is not the loader's own time: an answer that follows at once (the speed switch's
    // second byte) leaves right behind the first, not a latency later.
    const auto in = std::chrono::milliseconds(shared_.options.inLatencyMs);
    const Clock::time_point loaderNow = Clock::now() - (answering_ ? in : Clock::duration::zero());
    txFree_ = std::max({loaderNow, txFree_, rxFree_}) + ByteTime();
    if (!WaitUntil(txFree_ + in)) return false;
    answering_ = true;
  }
  for (;;) {
    const ssize_t n = write(shared_.pty.Master(), &b, 1);
    if (n == 1) break;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN && WaitFd(POLLOUT, kSendLimitMs) == Wait::Ready) continue;
    break;  // nobody reads, or the line is gone: the byte is lost, as on a real cable
  }
  rxEarliest_ = Clock::now();  // an answer to this byte cannot have left the host before
  Record(false, b, rxEarliest_);
  std::lock_guard lock(shared_.mutex);
  return !shared_.stopping;
}

bool Channel::SleepMs(unsigned ms) {
  return WaitUntil(Clock::now() + std::chrono::milliseconds(ms));
}

void Channel::SetSpeed(std::uint32_t bitsPerSecond) {
  speed_ = bitsPerSecond;
}

void Channel::Reset() {
  unread_.reset();
  inbox_.clear();
  inboxAt_ = 0;
  rxFree_ = txFree_ = rxEarliest_ = Clock::time_point{};
  answering_ = false;
}

void Channel::Start() {
  inboxLine_ = ReadHostLine();
}

bool Channel::WaitUntil(Clock::time_point t) {
  pollfd p{shared_.wakeFd, POLLIN, 0};
  for (;;) {
    const timespec ts = ToTimespec(t - Clock::now());
    const int r = ppoll(&p, 1, &ts, nullptr);
    if (r > 0) return false;
    if (r == 0) return true;
    if (errno != EINTR) return true;
  }
}

Channel::Wait Channel::WaitFd(short events, int timeoutMs, bool watchKick) {
  pollfd p[3] = {
      {shared_.pty.Master(), events, 0}, {shared_.wakeFd, POLLIN, 0}, {shared_.kickFd, POLLIN, 0}};
  for (;;) {
    const int r = poll(p, watchKick ? 3 : 2, timeoutMs);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 || (p[1].revents & POLLIN)) return Wait::Stopping;
    if (watchKick && (p[2].revents & POLLIN)) {
      std::uint64_t count = 0;
      [[maybe_unused]] const ssize_t n = read(shared_.kickFd, &count, sizeof count);
      return Wait::Kicked;
    }
    return r == 0 ? Wait::TimeOut : Wait::Ready;
  }
}

// at is when the byte has fully crossed the line, on the transcript's millisecond clock.
void Channel::Record(bool fromHost, std::uint8_t b, Clock::time_point at, bool unreadable) {
  const auto ahead = std::chrono::duration_cast<std::chrono::milliseconds>(at - Clock::now());
  const std::uint64_t atMs =
      platform::TickCount() + static_cast<std::uint64_t>(std::max<std::int64_t>(ahead.count(), 0));
  std::lock_guard lock(shared_.mutex);
  shared_.transcript.push_back({fromHost, b, atMs, speed_, unreadable});
  if (unreadable) ++shared_.unreadable;
}

Channel::Clock::duration Channel::ByteTime() const {
  if (!shared_.options.pacing) return Clock::duration::zero();
  // 11 bits a byte: start bit, 8 data bits, parity, stop bit.
  return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(11'000'000'000LL) /
                                                     speed_);
}

bool Channel::Timed() const {
  return shared_.options.pacing || shared_.options.outLatencyMs > 0 ||
         shared_.options.inLatencyMs > 0;
}

}  // namespace sim
