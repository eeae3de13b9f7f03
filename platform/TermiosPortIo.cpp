// One byte in or out under the port's time-outs. poll() does the waiting on a non-blocking
// descriptor, so neither call can ever wait longer than its time-out, whatever another process
// does with the same terminal.
#include <errno.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

#include "platform/Clock.h"
#include "platform/TermiosPort.h"

namespace platform {

namespace {

// Every transfer here moves one byte: Multiplier * 1 + Constant.
std::uint64_t OneByteTimeout(std::uint32_t multiplier, std::uint32_t constant) {
  return std::uint64_t{multiplier} + constant;
}

// Waits until the deadline for events; revents is 0 when the time ran out. Interrupted waits
// resume with what is left of the time.
int WaitFor(int fd, short events, std::uint64_t deadline, short& revents) {
  for (;;) {
    const std::uint64_t now = TickCount();
    const std::uint64_t left = now < deadline ? deadline - now : 0;
    pollfd p{fd, events, 0};
    const int n = poll(&p, 1, static_cast<int>(std::min<std::uint64_t>(left, INT_MAX)));
    if (n >= 0) {
      revents = n == 0 ? 0 : p.revents;
      return 0;
    }
    if (errno != EINTR) return errno;
  }
}

// An unplugged bridge or a closed pseudo-terminal master is an error, never a silent line.
constexpr short kHangUp = POLLHUP | POLLERR;

}  // namespace

// poll() announces a byte; read() takes it unless another reader of the same terminal took it
// first, in which case the wait goes on with what is left of the time-out.
int TermiosPort::ReadByte(std::uint8_t& value, bool& got) {
  got = false;
  if (!IsOpen()) return EBADF;
  const std::uint64_t deadline = TickCount() + OneByteTimeout(timeouts_.ReadTotalTimeoutMultiplier,
                                                              timeouts_.ReadTotalTimeoutConstant);
  for (;;) {
    short revents = 0;
    if (int error = WaitFor(fd_, POLLIN, deadline, revents)) return error;
    if (revents == 0) return 0;
    if (revents & POLLNVAL) return EBADF;
    if (!(revents & POLLIN)) return EIO;
    unsigned char byte = 0;
    const ssize_t n = read(fd_, &byte, 1);
    if (n == 1) {
      value = byte;
      got = true;
      return 0;
    }
    if (n == 0) return EIO;  // readable but end of file: the other end hung up
    if (errno != EAGAIN && errno != EINTR) return errno;
    if (TickCount() >= deadline) return 0;
  }
}

// A byte that could not move in time is not an error, as on Windows: the answer that cannot
// come will time out instead. The write is tried first and poll() waits only for a full output
// buffer, which it almost never is: one system call a byte rather than two, which is what lets
// one process keep thirty-two ports busy.
int TermiosPort::WriteByte(std::uint8_t value) {
  if (!IsOpen()) return EBADF;
  const std::uint64_t deadline = TickCount() + OneByteTimeout(timeouts_.WriteTotalTimeoutMultiplier,
                                                              timeouts_.WriteTotalTimeoutConstant);
  for (;;) {
    const ssize_t n = write(fd_, &value, 1);
    if (n >= 0) return 0;
    if (errno == EIO) return EIO;  // the other end has gone: a hang-up, as poll() would say
    if (errno != EAGAIN && errno != EINTR) return errno;
    short revents = 0;
    if (int error = WaitFor(fd_, POLLOUT, deadline, revents)) return error;
    if (revents == 0) return 0;
    if (revents & POLLNVAL) return EBADF;
    if (revents & kHangUp) return EIO;
  }
}

}  // namespace platform
