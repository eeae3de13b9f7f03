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
bool NoModemLines(int error) { return error == ENOTTY || error == EINVAL; }

int GetRecord(int fd, termios2& t) { return ioctl(fd, TCGETS2, &t) == 0 ? 0 : errno; }
int SetRecord(int fd, const termios2& t) { return ioctl(fd, TCSETS2, &t) == 0 ? 0 : errno; }

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

int SetArbitrarySpeed(int fd, std::uint32_t bitsPerSecond) {
  termios2 t{};
  if (int error = GetRecord(fd, t)) return error;
  // CIBAUD cleared: the input runs at the output speed.
  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER;
  t.c_ispeed = bitsPerSecond;
  t.c_ospeed = bitsPerSecond;
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
