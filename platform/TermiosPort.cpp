// Opening, configuring and closing the serial port over termios. Byte input and output are in
// TermiosPortIo.cpp; the terminal records (raw line, exact speeds) in TermiosKernel.cpp.
#include "platform/TermiosPort.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

#include "platform/TermiosKernel.h"

namespace platform {

static_assert(sizeof(termios_kernel::KernelState) <= sizeof(SavedSettings::data),
              "the saved port settings must fit the opaque record");

namespace {

// A pseudo-terminal has no modem lines and says so with one of these.
bool NoModemLines(int error) {
  return error == ENOTTY || error == EINVAL;
}

int ModemLine(int fd, unsigned long request, int bits) {
  if (ioctl(fd, request, &bits) == 0 || NoModemLines(errno)) return 0;
  return errno;
}

}  // namespace

TermiosPort::~TermiosPort() {
  Close();
}

int TermiosPort::Open(const std::string& name) {
  if (IsOpen()) Close();
  const std::string path = DevicePathForComName(name);
  if (path.empty()) return ENOENT;
  return OpenNode(path.c_str());
}

// Non-blocking for good: a real port must not wait for carrier at open, and no read or write
// may wait longer than its time-out. Another program with the same port open (a terminal
// program, a stray cat) can take the byte that poll() announced; a blocking read() would then
// wait for the next byte without limit. Exclusive use is the lock (root ignores TIOCEXCL); a
// port held by someone else is a failed open.
int TermiosPort::OpenNode(const char* path) {
  const int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  int error = 0;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) error = errno;
  if (error != 0) {
    close(fd);
    return error;
  }
  fd_ = fd;
  return 0;
}

int TermiosPort::GetState(SavedSettings& saved) {
  if (!IsOpen()) return EBADF;
  termios_kernel::KernelState state{};
  if (int error = termios_kernel::SaveState(fd_, state)) return error;
  std::memcpy(saved.data, &state, sizeof state);
  saved.valid = true;
  return 0;
}

int TermiosPort::SetState(const SavedSettings& saved) {
  if (!IsOpen()) return EBADF;
  if (!saved.valid) return EINVAL;
  termios_kernel::KernelState state{};
  std::memcpy(&state, saved.data, sizeof state);
  return termios_kernel::RestoreState(fd_, state);
}

int TermiosPort::SetLine(const LineSettings& line) {
  if (!IsOpen()) return EBADF;
  if (line.BaudRate == 0) return EINVAL;  // B0 would hang the line up
  if (int error = termios_kernel::ApplyLine(fd_, line)) return error;
  return ApplyModemLines(line);
}

// DTR as fDtrControl says (0 off, otherwise on); RTS on unless fRtsControl is 0.
int TermiosPort::ApplyModemLines(const LineSettings& line) {
  const int dtr = ModemLine(fd_, line.fDtrControl == 0 ? TIOCMBIC : TIOCMBIS, TIOCM_DTR);
  if (dtr != 0) return dtr;
  return ModemLine(fd_, line.fRtsControl == 0 ? TIOCMBIC : TIOCMBIS, TIOCM_RTS);
}

int TermiosPort::GetTimeouts(CommTimeouts& out) {
  if (!IsOpen()) return EBADF;
  out = timeouts_;
  return 0;
}

int TermiosPort::SetTimeouts(const CommTimeouts& t) {
  if (!IsOpen()) return EBADF;
  timeouts_ = t;
  return 0;
}

int TermiosPort::Purge() {
  if (!IsOpen()) return EBADF;
  return tcflush(fd_, TCIOFLUSH) == 0 ? 0 : errno;
}

// TIOCNXCL first: the exclusive flag belongs to the terminal, not to this descriptor, and would
// lock out every later open while another descriptor keeps the terminal alive.
int TermiosPort::Close() {
  if (!IsOpen()) return 0;
  ioctl(fd_, TIOCNXCL);
  const int fd = fd_;
  fd_ = -1;
  timeouts_ = {};
  // Linux releases the descriptor even when close() reports EINTR.
  if (close(fd) != 0 && errno != EINTR) return errno;
  return 0;
}

std::unique_ptr<SerialPort> MakeTermiosPort() {
  return std::make_unique<TermiosPort>();
}

std::unique_ptr<SerialPort> MakeSerialPort() {
  return MakeTermiosPort();
}

}  // namespace platform
