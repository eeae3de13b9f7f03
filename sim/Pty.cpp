#include "sim/Pty.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sim {
namespace {

bool Fail(std::string* error, const char* what) {
  if (error) *error = std::string(what) + ": " + std::strerror(errno);
  return false;
}

// Raw, so that the terminal neither echoes the host's bytes back nor holds them for a newline.
bool MakeRaw(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return false;
  cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_lflag |= EXTPROC;  // with the master in packet mode: settings changes are announced
  cfsetispeed(&t, B9600);
  cfsetospeed(&t, B9600);
  return tcsetattr(fd, TCSANOW, &t) == 0;
}

}  // namespace

bool Pty::Open(std::string* error) {
  Close();
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) return Fail(error, "posix_openpt");
  char name[128] = {};
  if (grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname_r(master_, name, sizeof name)) {
    const bool result = Fail(error, "pseudo-terminal set-up");
    Close();
    return result;
  }
  // Opened before the host ever sees the path; it takes no lock, so the host's flock and
  // TIOCEXCL still succeed. Write-only: it only keeps the terminal alive and never reads, so it
  // takes no byte from the host and a look for other readers of the port does not count it.
  slave_ = open(name, O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0 || !MakeRaw(slave_)) {
    const bool result = Fail(error, "pseudo-terminal slave");
    Close();
    return result;
  }
  const int flags = fcntl(master_, F_GETFL);
  fcntl(master_, F_SETFL, flags | O_NONBLOCK);
  int packet = 1;
  if (ioctl(master_, TIOCPKT, &packet) != 0) {
    const bool result = Fail(error, "pseudo-terminal packet mode");
    Close();
    return result;
  }
  slavePath_ = name;
  return true;
}

void Pty::Close() {
  if (master_ >= 0) close(master_);
  if (slave_ >= 0) close(slave_);
  master_ = -1;
  slave_ = -1;
}

}  // namespace sim
