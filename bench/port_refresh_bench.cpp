// Times one port-list refresh (read the serial-device map, rebuild the list when it differs) as
// the wizard runs it on every timer tick, over a made-up tty class directory of 64 port entries:
// ttyS0-31 (four UARTs, the rest placeholders), ttyUSB0-15 (cp210x and ftdi_sio), ttyACM0-15.
//   orb42-bench-port-refresh [runs]
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "update/PortList.h"

namespace fs = std::filesystem;

namespace {

// Lays out one entry as sysfs does: class/tty/<name> -> devices/<name>/tty/<name>, whose device
// links back to devices/<name>, where driver links to the driver (a target that need not exist).
void AddEntry(const fs::path& root, const std::string& name, const std::string& driver,
              const char* type) {
  const fs::path parent = root / "devices" / name;
  fs::create_directories(parent / "tty" / name);
  fs::create_directory_symlink("../..", parent / "tty" / name / "device");
  fs::create_directory_symlink("../../devices/" + name + "/tty/" + name,
                               root / "class" / "tty" / name);
  if (!driver.empty()) {
    fs::create_directory_symlink("../../bus/drivers/" + driver, parent / "driver");
  }
  if (type != nullptr) std::ofstream(parent / "tty" / name / "type") << type << "\n";
}

fs::path MakeTree() {
  std::string pattern = (fs::temp_directory_path() / "orb42-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return {};
  const fs::path root = pattern;
  fs::create_directories(root / "class" / "tty");
  for (int n = 0; n < 32; ++n)
    AddEntry(root, "ttyS" + std::to_string(n), "serial8250", n < 4 ? "4" : "0");
  for (int n = 0; n < 16; ++n) {
    AddEntry(root, "ttyUSB" + std::to_string(n), n % 2 == 0 ? "cp210x" : "ftdi_sio", nullptr);
  }
  for (int n = 0; n < 16; ++n) AddEntry(root, "ttyACM" + std::to_string(n), "cdc_acm", nullptr);
  return root;
}

struct Figures {
  double median;
  double p99;
  double max;
  double cpuMedian;
  double cpuP99;
};

// This thread's processor time in microseconds: unlike the wall clock it leaves out the time
// when other processes held the processor, which on a busy machine dominates the tail.
double ThreadCpuMicros() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

double Quantile(const std::vector<double>& sorted, double q) {
  return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(q * sorted.size()))];
}

template <typename Run>
Figures Measure(int runs, Run run) {
  for (int i = 0; i < 50; ++i) run();  // warm the caches first
  std::vector<double> wall;
  std::vector<double> cpu;
  wall.reserve(static_cast<std::size_t>(runs));
  cpu.reserve(static_cast<std::size_t>(runs));
  for (int i = 0; i < runs; ++i) {
    const double cpuStart = ThreadCpuMicros();
    const auto start = std::chrono::steady_clock::now();
    run();
    const auto stop = std::chrono::steady_clock::now();
    cpu.push_back(ThreadCpuMicros() - cpuStart);
    wall.push_back(std::chrono::duration<double, std::micro>(stop - start).count());
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  return {Quantile(wall, 0.5), Quantile(wall, 0.99), wall.back(), Quantile(cpu, 0.5),
          Quantile(cpu, 0.99)};
}

void Print(const char* what, int runs, const Figures& f) {
  std::printf(
      "%s, %d runs\n  wall clock: median %.1f us, p99 %.1f us, max %.1f us\n"
      "  thread CPU: median %.1f us, p99 %.1f us\n",
      what, runs, f.median, f.p99, f.max, f.cpuMedian, f.cpuP99);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  const fs::path root = MakeTree();
  if (root.empty()) {
    std::perror("mkdtemp");
    return 1;
  }
  setenv("ORB42_SYSFS_TTY", (root / "class" / "tty").c_str(), 1);

  PortList list;
  std::string preferred;
  RefreshPortList(list, preferred);
  std::printf("tree %s: 64 entries, %d ports listed, preferred \"%s\"\n",
              (root / "class" / "tty").c_str(), list.Count(), preferred.c_str());

  Print("refresh, nothing changed (each tick)", runs,
        Measure(runs, [&] { RefreshPortList(list, preferred); }));
  Print("refresh into an empty list (replaced)", runs, Measure(runs, [&] {
          PortList fresh;
          RefreshPortList(fresh, preferred);
        }));

  std::error_code ignored;
  fs::remove_all(root, ignored);
  return 0;
}
