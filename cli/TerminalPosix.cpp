// The terminal and the signals on POSIX systems; a Windows build puts its own file in place of
// this one (GetConsoleMode, GetConsoleScreenBufferInfo, SetConsoleCtrlHandler).
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
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
// and ends at once, with 128 and its own number (130 for Ctrl-C, 143 for SIGTERM).
void OnSignal(int signal) {
  int none = static_cast<int>(StopCause::None);
  cause.compare_exchange_strong(
      none, static_cast<int>(signal == SIGINT ? StopCause::Interrupt : StopCause::Terminate));
  if (!stopFlag->exchange(true)) return;
  const ssize_t written = write(STDERR_FILENO, note.Text(), note.Length());
  (void)written;
  _exit(128 + signal);
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

int Width(std::FILE* stream) {
  winsize size{};
  if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

StopCause StoppedBy() {
  return static_cast<StopCause>(cause.load());
}

void SetInterruptNote(const std::string& line) {
  note.Set(line);
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
