// Runs a program under the X server of $DISPLAY and measures, as an X client watching the root
// window for MapNotify:
//   orb42-bench-startup map RUNS -- PROGRAM [ARGS...]
//     the time from fork+exec to the program's first top-level window being mapped, over RUNS
//     runs after one unmeasured warm-up run;
//   orb42-bench-startup idle SECONDS -- PROGRAM [ARGS...]
//     once the window is mapped and has settled for 3 s: resident memory (VmRSS) and the
//     processor time (utime + stime) the program uses over SECONDS of idling.
// Prints details, then one line "result: key=value ...".
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Mapped {
  Window window = 0;
  double ms = -1;  // from fork to MapNotify; negative: not mapped in time
};

// The _NET_WM_PID of a window, 0 when it has none.
long WindowPid(Display* display, Window window) {
  const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  long pid = 0;
  if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr && count == 1 && format == 32)
    pid = *reinterpret_cast<long*>(data);
  if (data != nullptr) XFree(data);
  return pid;
}

void Drain(Display* display) {
  XSync(display, False);
  while (XPending(display) > 0) {
    XEvent e;
    XNextEvent(display, &e);
  }
}

pid_t Launch(char** argv) {
  const pid_t pid = fork();
  if (pid == 0) {
    execvp(argv[0], argv);
    std::perror(argv[0]);
    _exit(127);
  }
  return pid;
}

// Waits for the child's first mapped top-level window (not override-redirect, and its
// _NET_WM_PID, when set, the child's).
Mapped WaitForMap(Display* display, pid_t child, Clock::time_point start, int limitMs) {
  const int fd = ConnectionNumber(display);
  while (MsSince(start) < limitMs) {
    while (XPending(display) > 0) {
      XEvent e;
      XNextEvent(display, &e);
      if (e.type != MapNotify || e.xmap.override_redirect) continue;
      const double ms = MsSince(start);
      const long pid = WindowPid(display, e.xmap.window);
      if (pid == 0 || pid == child) return {e.xmap.window, ms};
    }
    pollfd p{fd, POLLIN, 0};
    poll(&p, 1, 50);
  }
  return {};
}

void Stop(pid_t pid) {
  kill(pid, SIGTERM);
  int status = 0;
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid, &status, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
}

// The window's title as UTF-8 (_NET_WM_NAME) and its size.
void Describe(Display* display, Window window) {
  const Atom nameAtom = XInternAtom(display, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string name;
  if (XGetWindowProperty(display, window, nameAtom, 0, 256, False, utf8, &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr && format == 8)
    name.assign(reinterpret_cast<char*>(data), count);
  if (data != nullptr) XFree(data);
  XWindowAttributes a{};
  XGetWindowAttributes(display, window, &a);
  std::printf("  mapped: \"%s\", %dx%d\n", name.c_str(), a.width, a.height);
}

// Starts the program and waits for its window; on failure says so and stops it (m.ms < 0).
Mapped LaunchAndWaitForMap(Display* display, char** argv, pid_t* pid) {
  Drain(display);
  const Clock::time_point start = Clock::now();
  *pid = Launch(argv);
  const Mapped m = WaitForMap(display, *pid, start, 20000);
  if (m.ms < 0) {
    std::fprintf(stderr, "%s: no window mapped within 20 s\n", argv[0]);
    Stop(*pid);
  }
  return m;
}

int MeasureMap(Display* display, int runs, char** argv) {
  std::vector<double> times;
  for (int run = 0; run <= runs; ++run) {  // run 0 warms the caches and is not counted
    pid_t pid = 0;
    const Mapped m = LaunchAndWaitForMap(display, argv, &pid);
    if (m.ms < 0) return 1;
    if (run == 0) Describe(display, m.window);
    std::printf("  run %d: %.1f ms%s\n", run, m.ms, run == 0 ? " (warm-up, not counted)" : "");
    if (run > 0) times.push_back(m.ms);
    Stop(pid);
  }
  std::sort(times.begin(), times.end());
  std::printf("result: runs=%zu median_ms=%.1f min_ms=%.1f max_ms=%.1f\n", times.size(),
              times[times.size() / 2], times.front(), times.back());
  return 0;
}

std::string StatusField(pid_t pid, const std::string& key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key + ":", 0) == 0) {
      std::istringstream fields(line.substr(key.size() + 1));
      std::string value;
      fields >> value;
      return value;
    }
  return {};
}

// utime + stime in clock ticks (fields 14 and 15 of /proc/<pid>/stat, after the command name).
long long CpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t close = text.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream rest(text.substr(close + 2));
  std::string field;
  long long utime = 0, stime = 0;
  for (int n = 3; n <= 15 && rest >> field; ++n) {
    if (n == 14) utime = std::atoll(field.c_str());
    if (n == 15) stime = std::atoll(field.c_str());
  }
  return utime + stime;
}

// Nanoseconds on the processor over all the program's threads (/proc/<pid>/task/*/schedstat):
// finer than the clock ticks of utime and stime.
long long RunNanos(pid_t pid) {
  long long sum = 0;
  std::error_code error;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  for (auto it = std::filesystem::directory_iterator(tasks, error);
       !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    std::ifstream in(it->path() / "schedstat");
    long long ns = 0;
    if (in >> ns) sum += ns;
  }
  return sum;
}

int MeasureIdle(Display* display, int seconds, char** argv) {
  pid_t pid = 0;
  const Mapped m = LaunchAndWaitForMap(display, argv, &pid);
  if (m.ms < 0) return 1;
  Describe(display, m.window);
  std::this_thread::sleep_for(std::chrono::seconds(3));  // let it settle
  const long rssSettledKb = std::atol(StatusField(pid, "VmRSS").c_str());
  const long long ticks0 = CpuTicks(pid);
  const long long nanos0 = RunNanos(pid);
  const Clock::time_point idleStart = Clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const long long ticks1 = CpuTicks(pid);
  const long long nanos1 = RunNanos(pid);
  const double idleS = MsSince(idleStart) / 1000.0;
  const long rssEndKb = std::atol(StatusField(pid, "VmRSS").c_str());
  Stop(pid);
  const double cpuS =
      static_cast<double>(ticks1 - ticks0) / static_cast<double>(sysconf(_SC_CLK_TCK));
  const double runS = static_cast<double>(nanos1 - nanos0) / 1e9;
  std::printf(
      "  VmRSS %ld kB settled, %ld kB after idling; in %.1f s: %.2f s utime+stime, %.4f s on the"
      " processor by schedstat\n",
      rssSettledKb, rssEndKb, idleS, cpuS, runS);
  std::printf(
      "result: rss_kb=%ld rss_end_kb=%ld cpu_s=%.3f idle_s=%.2f cpu_percent=%.3f"
      " schedstat_percent=%.4f\n",
      rssSettledKb, rssEndKb, cpuS, idleS, 100.0 * cpuS / idleS, 100.0 * runS / idleS);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || std::strcmp(argv[3], "--") != 0) {
    std::fprintf(stderr,
                 "usage: %s map RUNS -- PROGRAM [ARGS...]\n"
                 "       %s idle SECONDS -- PROGRAM [ARGS...]\n",
                 argv[0], argv[0]);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "%s: cannot open the display\n", argv[0]);
    return 1;
  }
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  const std::string mode = argv[1];
  const int count = std::max(1, std::atoi(argv[2]));
  const int result =
      mode == "idle" ? MeasureIdle(display, count, argv + 4) : MeasureMap(display, count, argv + 4);
  XCloseDisplay(display);
  return result;
}
