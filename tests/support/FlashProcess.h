#pragma once
// The real orb42-flash run from a test: its arguments, its output as it comes (through pipes,
// or through a pseudo-terminal of a given size when the test needs the terminal's live lines), a
// signal, a resize of its terminal, its exit status. The environment (ORB42_SYSFS_TTY,
// ORB42_DEV_DIR) is the test's own. Header only, no toolkit.
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace testsupport {

class FlashProcess {
 public:
  enum class Output { Pipes, Terminal };

  // inChild runs in the new process just before orb42-flash starts (limits, signal dispositions:
  // both survive the exec). It must only make system calls.
  explicit FlashProcess(const std::vector<std::string>& args, Output output = Output::Pipes,
                        void (*inChild)() = nullptr, unsigned short columns = 120,
                        unsigned short rows = 40) {
    std::vector<char*> argv{const_cast<char*>(kProgram)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (output == Output::Terminal) {
      winsize size{};
      size.ws_col = columns;
      size.ws_row = rows;
      pid_ = forkpty(&outFd_, nullptr, nullptr, &size);
      if (pid_ == 0) {
        if (inChild) inChild();
        execv(kProgram, argv.data());
        _exit(127);
      }
      return;
    }
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      dup2(err[1], STDERR_FILENO);
      close(out[0]);
      close(err[0]);
      if (inChild) inChild();
      execv(kProgram, argv.data());
      _exit(127);
    }
    close(out[1]);
    close(err[1]);
    outFd_ = out[0];
    errFd_ = err[0];
  }

  ~FlashProcess() {
    if (pid_ > 0 && status_ < 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (outFd_ >= 0) close(outFd_);
    if (errFd_ >= 0) close(errFd_);
  }
  FlashProcess(const FlashProcess&) = delete;
  FlashProcess& operator=(const FlashProcess&) = delete;

  // Reads until text has appeared on the output (stdout, or the terminal), or ms have passed,
  // or the output ended.
  bool WaitFor(const std::string& text, int ms = 30000) {
    const auto start = std::chrono::steady_clock::now();
    while (out_.find(text) == std::string::npos && Elapsed(start) < ms) {
      if (!ReadSome(100)) break;
    }
    return out_.find(text) != std::string::npos;
  }

  // The same for the error output.
  bool WaitForError(const std::string& text, int ms = 30000) {
    const auto start = std::chrono::steady_clock::now();
    while (err_.find(text) == std::string::npos && Elapsed(start) < ms) {
      if (!ReadSome(100)) break;
    }
    return err_.find(text) != std::string::npos;
  }

  void Signal(int signal) { kill(pid_, signal); }

  // The terminal is resized, as a window is: the kernel tells the program with SIGWINCH.
  bool Resize(unsigned short columns, unsigned short rows) {
    winsize size{};
    size.ws_col = columns;
    size.ws_row = rows;
    return ioctl(outFd_, TIOCSWINSZ, &size) == 0;
  }

  // Reads everything to the end and returns the exit status (128 + n after signal n), or -1
  // when the program did not end within ms.
  int Finish(int ms = 120000) {
    const auto start = std::chrono::steady_clock::now();
    while (Elapsed(start) < ms && ReadSome(100)) {
    }
    int status = 0;
    while (Elapsed(start) < ms) {
      const pid_t done = waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return status_;
      }
      usleep(20000);
    }
    return -1;
  }

  const std::string& Out() const { return out_; }
  const std::string& Err() const { return err_; }

 private:
  static constexpr const char* kProgram = ORB42_FLASH_PROGRAM;

  static long Elapsed(std::chrono::steady_clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
  }

  // false once both outputs have ended.
  bool ReadSome(int ms) {
    pollfd p[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    const int n = poll(p, 2, ms);  // a closed output (-1) is left out by poll
    if (n <= 0) return outFd_ >= 0 || errFd_ >= 0;
    bool open = false;
    for (int i = 0; i < 2; ++i) {
      int& fd = i == 0 ? outFd_ : errFd_;
      if (fd < 0) continue;
      if (p[i].revents & (POLLIN | POLLHUP | POLLERR)) {
        char buffer[4096];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
          (i == 0 ? out_ : err_).append(buffer, static_cast<std::size_t>(got));
        } else {
          close(fd);  // the end (EIO on a terminal whose program has gone)
          fd = -1;
        }
      }
      open = open || fd >= 0;
    }
    return open;
  }

  pid_t pid_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  int status_ = -1;
  std::string out_, err_;
};

struct FlashResult {
  int status;
  std::string out;
  std::string err;
};

// Runs orb42-flash to its end.
inline FlashResult RunFlash(const std::vector<std::string>& args) {
  FlashProcess flash(args);
  const int status = flash.Finish();
  return {status, flash.Out(), flash.Err()};
}

}  // namespace testsupport
