// orb42-bench-flash: times the real orb42-flash against simulated bridges paced like a real
// cable (11 bits a byte at the line's speed), beside the bound the line and the protocol allow:
//   - one device at 115200 bit/s, against the wire time of every byte the simulator saw (at
//     the speed each byte travelled: 9600 until the switch, 115200 after, 9600 again from the
//     release) plus the protocol's fixed pauses (1000 ms purge of each call, 500 ms before each
//     release byte, 10 ms after each EEPROM write's bytes);
//   - eight, sixteen and thirty-two devices on as many ports at once (a USB hub a side of a
//     bench), against the time of one, with orb42-flash's processor time;
//   - one device at 9600 bit/s (the wizard's speed), to set beside the wizard's own time;
//   - one device at 115200 bit/s behind a USB bridge's round trip: each answer of the loader
//     reaches the host 1, 2 or 16 ms late (a full-speed bridge's bus frames; an FTDI bridge's
//     default latency timer), against the same device without it.
// The program runs as a child, its output thrown away, from exec to exit.
//
// usage: orb42-bench-flash PATH/TO/orb42-flash [runs]
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "sim/LoaderBank.h"

extern char** environ;

namespace {

struct Bound {
  double wireMs = 0;
  double pausesMs = 0;
  std::size_t bytes = 0;
  std::size_t fastBytes = 0;  // bytes above 9600 bit/s
  double Total() const { return wireMs + pausesMs; }
};

// What the line and the protocol allow for one port's whole exchange.
Bound BoundOf(const std::vector<sim::TrafficByte>& transcript) {
  Bound b;
  for (const sim::TrafficByte& t : transcript) {
    b.wireMs += 11000.0 / t.speed;
    ++b.bytes;
    if (t.speed > 9600) ++b.fastBytes;
    if (!t.fromHost) continue;
    if (t.value == 0x80) b.pausesMs += 1000;  // each call follows a purge (one call a Connect)
    if (t.value == 0x04) b.pausesMs += 500;   // each release follows Disconnect's pause
    if (t.value == 0x8B) b.pausesMs += 10;    // each EEPROM write waits for the cell
  }
  return b;
}

struct Run {
  double ms = 0;
  std::size_t answers = 0;  // bytes of the loader on the slowest port: the round trips
  Bound bound;              // the slowest port's
  bool ok = false;
  double flashCpuMs = 0;  // processor time of orb42-flash (user + system)
  double simCpuMs = 0;    // processor time of this process, the simulators, meanwhile
};

double CpuMs(const rusage& u) {
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// One run of orb42-flash update --all on `ports` fresh simulated devices; each answer reaches
// the host latencyMs late.
Run Once(const char* program, unsigned ports, std::int32_t speed, unsigned latencyMs) {
  Run run;
  char pattern[] = "/tmp/orb42-bench-flash-XXXXXX";
  if (!mkdtemp(pattern)) return run;
  const std::string dir = pattern;
  {
    sim::Options base;
    base.pacing = true;
    base.inLatencyMs = latencyMs;
    sim::LoaderBank bank(sim::OptionsForPorts(base, ports));
    std::string error;
    if (!bank.Start(dir + "/sim", &error)) {
      std::fprintf(stderr, "bench: %s\n", error.c_str());
      return run;
    }
    setenv("ORB42_SYSFS_TTY", bank.SysfsDir().c_str(), 1);
    setenv("ORB42_DEV_DIR", bank.DevDir().c_str(), 1);
    const std::string bps = std::to_string(speed);
    const char* argv[] = {program, "update", "--all", "--speed", bps.c_str(), "--quiet", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    rusage self{}, child{};
    getrusage(RUSAGE_SELF, &self);
    const double selfBefore = CpuMs(self);
    const auto start = std::chrono::steady_clock::now();
    const int spawned =
        posix_spawn(&pid, program, &actions, nullptr, const_cast<char* const*>(argv), environ);
    int status = -1;
    if (spawned == 0) wait4(pid, &status, 0, &child);
    run.ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    getrusage(RUSAGE_SELF, &self);
    run.flashCpuMs = CpuMs(child);
    run.simCpuMs = CpuMs(self) - selfBefore;
    posix_spawn_file_actions_destroy(&actions);
    run.ok = spawned == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    for (unsigned i = 0; i < ports; ++i) {
      const std::vector<sim::TrafficByte> transcript = bank.Port(i).Transcript();
      const Bound b = BoundOf(transcript);
      if (b.Total() > run.bound.Total()) {
        run.bound = b;
        run.answers = static_cast<std::size_t>(std::count_if(
            transcript.begin(), transcript.end(), [](const auto& t) { return !t.fromHost; }));
      }
      const auto eeprom = bank.Port(i).Eeprom();
      run.ok = run.ok && eeprom[126] == 1 && eeprom[127] == 5;
    }
  }
  std::filesystem::remove_all(dir);
  return run;
}

// Runs a scenario `runs` times, prints each run, returns the median time (0 on a failure);
// cpuMs: the median processor time of orb42-flash.
double Scenario(const char* title, const char* program, unsigned ports, std::int32_t speed,
                int runs, Bound* bound, double* cpuMs = nullptr, unsigned latencyMs = 0,
                std::size_t* answers = nullptr) {
  std::printf("%s\n", title);
  std::vector<double> times, cpu;
  for (int i = 1; i <= runs; ++i) {
    const Run r = Once(program, ports, speed, latencyMs);
    std::printf(
        "  run %d: %.1f ms%s; bound of the slowest port %.1f ms (%zu bytes, %zu of them above "
        "9600 bit/s, %.1f ms on the line, %.0f ms of fixed pauses), ratio %.4f; processor "
        "time: orb42-flash %.0f ms, simulator %.0f ms\n",
        i, r.ms, r.ok ? "" : " FAILED", r.bound.Total(), r.bound.bytes, r.bound.fastBytes,
        r.bound.wireMs, r.bound.pausesMs, r.ms / r.bound.Total(), r.flashCpuMs, r.simCpuMs);
    if (!r.ok) return 0;
    times.push_back(r.ms);
    cpu.push_back(r.flashCpuMs);
    if (bound) *bound = r.bound;
    if (answers) *answers = r.answers;
  }
  if (cpuMs) *cpuMs = Median(cpu);
  return Median(times);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: orb42-bench-flash PATH/TO/orb42-flash [runs]\n");
    return 2;
  }
  const char* program = argv[1];
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

  Bound one, many;
  double oneCpu = 0, eightCpu = 0, sixteenCpu = 0, thirtyTwoCpu = 0;
  const double oneMs =
      Scenario("one device, 115200 bit/s", program, 1, 115200, runs, &one, &oneCpu);
  const double eightMs = Scenario("eight devices on eight ports at once, 115200 bit/s", program, 8,
                                  115200, runs, &many, &eightCpu);
  const double sixteenMs = Scenario("sixteen devices on sixteen ports at once, 115200 bit/s",
                                    program, 16, 115200, runs, &many, &sixteenCpu);
  const double thirtyTwoMs =
      Scenario("thirty-two devices on thirty-two ports at once, 115200 bit/s", program, 32, 115200,
               runs, &many, &thirtyTwoCpu);
  Bound slow;
  const double slowMs = Scenario("one device, 9600 bit/s", program, 1, 9600, runs, &slow);
  // A USB bridge between: each answer late by the round trip the bridge adds.
  std::size_t answers = 0;
  double latencyMs[3] = {};
  const unsigned latencies[3] = {1, 2, 16};
  for (int i = 0; i < 3; ++i) {
    const std::string title = "one device, 115200 bit/s, each answer " +
                              std::to_string(latencies[i]) + " ms late (a USB round trip)";
    latencyMs[i] =
        Scenario(title.c_str(), program, 1, 115200, runs, nullptr, nullptr, latencies[i], &answers);
  }
  if (oneMs == 0 || eightMs == 0 || sixteenMs == 0 || thirtyTwoMs == 0 || slowMs == 0 ||
      latencyMs[0] == 0 || latencyMs[1] == 0 || latencyMs[2] == 0) {
    std::printf("result: failed\n");
    return 1;
  }
  std::printf("result: answers=%zu latency1_ms=%.1f latency2_ms=%.1f latency16_ms=%.1f\n", answers,
              latencyMs[0], latencyMs[1], latencyMs[2]);
  // Processor time as a share of one core over the run's own time.
  std::printf(
      "result: one_ms=%.1f one_bound_ms=%.1f one_ratio=%.4f one_cpu_ms=%.0f eight_ms=%.1f "
      "eight_ratio=%.4f eight_cpu_ms=%.0f sixteen_ms=%.1f sixteen_ratio=%.4f sixteen_cpu_ms=%.0f "
      "thirty_two_ms=%.1f thirty_two_ratio=%.4f thirty_two_cpu_ms=%.0f thirty_two_core=%.3f "
      "slow_ms=%.1f slow_bound_ms=%.1f slow_ratio=%.4f\n",
      oneMs, one.Total(), oneMs / one.Total(), oneCpu, eightMs, eightMs / oneMs, eightCpu,
      sixteenMs, sixteenMs / oneMs, sixteenCpu, thirtyTwoMs, thirtyTwoMs / oneMs, thirtyTwoCpu,
      thirtyTwoCpu / thirtyTwoMs, slowMs, slow.Total(), slowMs / slow.Total());
  return 0;
}
