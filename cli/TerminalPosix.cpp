// The terminal and the signals on POSIX systems; a Windows build puts its own file in place of
// this one (GetConsoleMode, GetConsoleScreenBufferInfo, SetConsoleCtrlHandler).
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string_view>

#include "cli/InterruptNote.h"
#include "cli/Terminal.h"

namespace flash::terminal {

namespace {

std::atomic<bool>* stopFlag = nullptr;
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");
static_assert(std::atomic<int>::is_always_lock_free, "the note is read from a signal handler");
InterruptNote note;
std::atomic<int> cause{static_cast<int>(StopCause::None)};

// The first one asks every port to finish and keeps what asked; the second one writes the note
// and ends at once, with 128 and its own number (130 for Ctrl-C, 143 for SIGTERM). Only
// async-signal-safe calls: the note is read with one look at its index and written as it is.
void OnSignal(int signal) {
  int none = static_cast<int>(StopCause::None);
  cause.compare_exchange_strong(
      none, static_cast<int>(signal == SIGINT ? StopCause::Interrupt : StopCause::Terminate));
  if (!stopFlag->exchange(true)) return;
  const InterruptNote::View line = note.Current();
  for (std::size_t done = 0; done < line.length;) {
    const ssize_t n = write(STDERR_FILENO, line.text + done, line.length - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EINTR) {
      break;
    }
  }
  _exit(128 + signal);
}

// SIGWINCH: the terminal was resized; the next SizeOf() asks it again. SA_RESTART, so that the
// port workers' calls are not cut short by it (their poll() loops take EINTR as a new wait).
std::atomic<bool> resized{true};
static_assert(std::atomic<bool>::is_always_lock_free, "resized is set from a signal handler");

void OnResize(int) {
  resized.store(true);
}

}  // namespace

bool GuardStandardStreams() {
  bool outputOpen = true;
  for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    if (fd == STDOUT_FILENO) outputOpen = false;
    const int null = open("/dev/null", O_RDWR);  // the lowest free number: this one
    if (null >= 0 && null != fd) close(null);
  }
  return outputOpen;
}

bool IsTerminal(std::FILE* stream) {
  if (!isatty(fileno(stream))) return false;
  const char* term = std::getenv("TERM");
  return term == nullptr || std::string_view(term) != "dumb";
}

Size SizeOf(std::FILE* stream) {
  static std::once_flag watching;
  std::call_once(watching, [] {
    struct sigaction action {};
    action.sa_handler = OnResize;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &action, nullptr);
  });
  static std::mutex mutex;
  static int descriptor = -1;
  static Size size;
  const std::lock_guard lock(mutex);
  const int fd = fileno(stream);
  if (resized.exchange(false) || fd != descriptor) {
    descriptor = fd;
    winsize now{};
    const bool known = ioctl(fd, TIOCGWINSZ, &now) == 0;
    size.columns = known && now.ws_col > 0 ? now.ws_col : Size{}.columns;
    size.rows = known && now.ws_row > 0 ? now.ws_row : Size{}.rows;
  }
  return size;
}

StopCause StoppedBy() {
  return static_cast<StopCause>(cause.load());
}

void SetInterruptNote(const std::string& instruction, const std::vector<std::string>& names,
                      const std::function<std::string(std::size_t)>& more) {
  note.Set(instruction, names, more);
}

void OnInterrupt(std::atomic<bool>* stop) {
  stopFlag = stop;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

}  // namespace flash::terminal
