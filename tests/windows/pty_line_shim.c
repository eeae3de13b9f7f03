/* Loaded into Wine (LD_PRELOAD, by wine-run) while the Windows tests talk to the loader simulator
 * over a pseudo-terminal, this makes the pseudo-terminal take line settings as a serial port
 * does.
 *
 * A pseudo-terminal has no parity and no character size of its own: the kernel keeps CS8 without
 * parity whatever it is told, and this C library's tcsetattr, which reads the settings back,
 * then reports EINVAL because PARENB did not stick. Wine sets even parity through tcsetattr, so
 * SetCommState would fail with ERROR_INVALID_PARAMETER on the pseudo-terminal where it succeeds
 * on a real port. On a pseudo-terminal slave only, and only when everything else that was asked
 * for is in place, that refusal is taken back. Any other failure, and every other device, is left
 * as it is.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>

enum { kFirstPtySlaveMajor = 136, kLastPtySlaveMajor = 143 };

typedef int (*SetAttr)(int, int, const struct termios*);

static int IsPtySlave(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return 0;
  return major(st.st_rdev) >= kFirstPtySlaveMajor && major(st.st_rdev) <= kLastPtySlaveMajor;
}

/* Whether the terminal holds what was asked for, but for the character format and the speed
 * code, which a pseudo-terminal keeps as it likes. */
static int HoldsAllButTheCharacterFormat(int fd, const struct termios* wanted) {
  const tcflag_t format = PARENB | PARODD | CMSPAR | CSIZE | CSTOPB | CBAUD | CBAUDEX | CIBAUD;
  struct termios now;
  if (tcgetattr(fd, &now) != 0) return 0;
  return now.c_iflag == wanted->c_iflag && now.c_oflag == wanted->c_oflag &&
         now.c_lflag == wanted->c_lflag && ((now.c_cflag ^ wanted->c_cflag) & ~format) == 0;
}

int tcsetattr(int fd, int actions, const struct termios* wanted) {
  static SetAttr real;
  if (real == 0) *(void**)(&real) = dlsym(RTLD_NEXT, "tcsetattr");
  if (real == 0) {
    errno = ENOSYS;
    return -1;
  }
  const int result = real(fd, actions, wanted);
  if (result == 0 || errno != EINVAL) return result;
  const int error = errno;
  if (IsPtySlave(fd) && HoldsAllButTheCharacterFormat(fd, wanted)) return 0;
  errno = error;
  return result;
}
