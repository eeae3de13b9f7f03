// Kernel terminal records (termios2). Deliberately kept apart from <termios.h>: both define
// struct termios and the speed macros.
#include "platform/TermiosKernel.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <errno.h>
#include <sys/ioctl.h>

#include <cstring>

namespace platform::termios_kernel {

static_assert(sizeof(termios2) <= sizeof(KernelState::record));

namespace {

// A pseudo-terminal has no modem lines and says so with one of these.
bool NoModemLines(int error) {
  return error == ENOTTY || error == EINVAL;
}

// The kernel's constant for a rate, or 0 (B0) when it has none.
tcflag_t StandardSpeed(std::uint32_t bitsPerSecond) {
  struct Rate {
    std::uint32_t bitsPerSecond;
    tcflag_t constant;
  };
  static constexpr Rate kRates[] = {{110, B110},     {300, B300},       {600, B600},
                                    {1200, B1200},   {2400, B2400},     {4800, B4800},
                                    {9600, B9600},   {19200, B19200},   {38400, B38400},
                                    {57600, B57600}, {115200, B115200}, {230400, B230400}};
  for (const Rate& rate : kRates)
    if (rate.bitsPerSecond == bitsPerSecond) return rate.constant;
  return B0;
}

tcflag_t SizeBits(std::uint8_t byteSize) {
  switch (byteSize) {
    case 5:
      return CS5;
    case 6:
      return CS6;
    case 7:
      return CS7;
    default:
      return CS8;
  }
}

// Windows parity numbers: 0 none, 1 odd, 2 even, 3 mark, 4 space.
tcflag_t ParityBits(std::uint8_t parity) {
  switch (parity) {
    case 1:
      return PARENB | PARODD;
    case 2:
      return PARENB;
    case 3:
      return PARENB | CMSPAR | PARODD;
    case 4:
      return PARENB | CMSPAR;
    default:
      return 0;
  }
}

// Both directions at one speed (CIBAUD cleared: input follows output).
void SetSpeed(termios2& t, std::uint32_t bitsPerSecond) {
  const tcflag_t constant = StandardSpeed(bitsPerSecond);
  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= constant != B0 ? constant : BOTHER;
  t.c_ispeed = bitsPerSecond;
  t.c_ospeed = bitsPerSecond;
}

int GetRecord(int fd, termios2& t) {
  return ioctl(fd, TCGETS2, &t) == 0 ? 0 : errno;
}
int SetRecord(int fd, const termios2& t) {
  return ioctl(fd, TCSETS2, &t) == 0 ? 0 : errno;
}

}  // namespace

int SaveState(int fd, KernelState& state) {
  termios2 t{};
  if (int error = GetRecord(fd, t)) return error;
  std::memset(&state, 0, sizeof state);
  std::memcpy(state.record, &t, sizeof t);
  int lines = 0;
  if (ioctl(fd, TIOCMGET, &lines) == 0) {
    state.modemLines = lines;
    state.modemLinesValid = true;
  } else if (!NoModemLines(errno)) {
    return errno;
  }
  return 0;
}

int RestoreState(int fd, const KernelState& state) {
  termios2 t{};
  std::memcpy(&t, state.record, sizeof t);
  if (int error = SetRecord(fd, t)) return error;
  if (!state.modemLinesValid) return 0;
  int lines = state.modemLines;
  if (ioctl(fd, TIOCMSET, &lines) != 0 && !NoModemLines(errno)) return errno;
  return 0;
}

// Bytes with a parity error are delivered as received (INPCK off): the link's settings ask for no
// error-character replacement.
LineFlags RawLineFlags(LineFlags current, const LineSettings& line) {
  LineFlags f = current;
  f.input &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                    IXON | IXOFF | IXANY | INPCK | IGNPAR);
  if (line.fOutX) f.input |= IXON;
  if (line.fInX) f.input |= IXOFF;
  f.output &= ~static_cast<tcflag_t>(OPOST);
  f.local &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  f.control &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  f.control |= CLOCAL | CREAD | SizeBits(line.ByteSize) | ParityBits(line.Parity);
  if (line.StopBits != 0) f.control |= CSTOPB;
  if (line.fOutxCtsFlow || line.fRtsControl == 2) f.control |= CRTSCTS;
  return f;
}

int ApplyLine(int fd, const LineSettings& line) {
  termios2 t{};
  if (int error = GetRecord(fd, t)) return error;
  const LineFlags f = RawLineFlags({t.c_iflag, t.c_oflag, t.c_cflag, t.c_lflag}, line);
  t.c_iflag = f.input;
  t.c_oflag = f.output;
  t.c_cflag = f.control;
  t.c_lflag = f.local;
  t.c_cc[VMIN] = 1;  // reads happen only after poll() has seen a byte
  t.c_cc[VTIME] = 0;
  SetSpeed(t, line.BaudRate);
  return SetRecord(fd, t);
}

int SetArbitrarySpeed(int fd, std::uint32_t bitsPerSecond) {
  termios2 t{};
  if (int error = GetRecord(fd, t)) return error;
  SetSpeed(t, bitsPerSecond);
  t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(CBAUD)) | BOTHER;  // even for standard rates
  return SetRecord(fd, t);
}

int GetSpeeds(int fd, std::uint32_t& inputSpeed, std::uint32_t& outputSpeed) {
  termios2 t{};
  if (int error = GetRecord(fd, t)) return error;
  inputSpeed = t.c_ispeed;
  outputSpeed = t.c_ospeed;
  return 0;
}

}  // namespace platform::termios_kernel
