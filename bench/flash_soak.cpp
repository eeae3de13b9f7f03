// Records soak: N devices updated by the bench's run (as orb42-flash runs it, one thread a port,
// at 115200 bit/s) through loader simulators with seeded random faults: silence, wrong bytes and
// garbled digits, refused calls, hang-ups, and answers that come late, during the purge that
// follows a time-out, after it, or later than the link waits. After every attempt what the
// record says (outcome, version before and after, serial number, as orb42-flash writes them
// into its log) is held against what the device holds (the simulator's cells); a failed device
// is tried again, as a technician would, until it is updated.
//   orb42-soak-flash N [seed] [ports]
// Exits 0 when no device was lost (1.5 with a word of the image missing, or never updated) and
// no record disagreed with its device; 1 otherwise.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/SoakFaults.h"
#include "cli/Messages.h"
#include "link/Com_p03.h"
#include "sim/LoaderBank.h"
#include "support/HexWords.h"
#include "update/UpdateRun.h"

namespace {

constexpr int kRoundsPerDeviceLimit = 25;

struct Tally {
  std::mutex mutex;
  int devices = 0, rounds = 0, lost = 0, disagreeing = 0, unknown = 0;
  std::map<std::string, int> outcomes;
  std::array<int, bench::kFaultClasses> injected{};
};

std::string VersionOf(const std::vector<std::uint8_t>& eeprom) {
  return std::to_string(eeprom[126]) + "." + std::to_string(eeprom[127]);
}

std::uint32_t SerialOf(const std::vector<std::uint8_t>& eeprom) {
  return eeprom[120] | eeprom[121] << 8 | eeprom[122] << 16 |
         static_cast<std::uint32_t>(eeprom[123]) << 24;
}

// One port: devices one after the other until `want` are updated.
void Soak(sim::LoaderSim& sim, std::size_t port, int want, std::uint32_t seed, Tally& tally) {
  CP03 link;
  link.SetPortIndex(static_cast<std::int32_t>(32 + port));
  bench::FaultPlanner planner(seed);
  bench::LineCounts counts;
  struct : update::RunObserver {
  } quiet;
  update::RunOptions options;
  options.waitSeconds = 10;
  // As with --loop: a cable replugged by a hang-up at the end of one attempt may still be out
  // when the next one begins.
  options.waitForPort = true;
  int done = 0, rounds = 0;
  while (done < want && rounds < want * kRoundsPerDeviceLimit) {
    ++rounds;
    sim.ClearFaults();
    for (const sim::Fault& fault : planner.Plan(counts)) sim.AddFault(fault);
    const update::RunResult r = update::RunUpdate(link, options, quiet);
    counts.Add(sim.Transcript());
    sim.ClearTranscript();
    planner.Settle(counts);

    // The record, as the log writes it, against the device as it is now.
    const sim::LoaderSim::FinishedDevice device = sim.CurrentDevice();
    const std::string holds = VersionOf(device.eeprom);
    const bool wholeImage =
        testsupport::WordsDiffering(testsupport::EmbeddedImageWords(), device.program) == 0;
    const std::string outcome = flash::OutcomeKey(r);
    const std::string after = flash::VersionAfter(r);
    std::vector<std::string> wrong;
    if (holds == "1.5" && !wholeImage) wrong.push_back("1.5 with words of the image missing");
    if (outcome == "updated" && !(holds == "1.5" && wholeImage))
      wrong.push_back("reported updated, holds " + holds);
    if (!after.empty() && after != "?" && after != holds)
      wrong.push_back("reported version " + after + ", holds " + holds);
    if (r.device.serialNumber && *r.device.serialNumber != SerialOf(device.eeprom))
      wrong.push_back("reported serial number " + flash::SerialText(r.device) + ", holds " +
                      std::to_string(SerialOf(device.eeprom)));
    // A record that read the device (its serial number) and failed may not hide an update done.
    if (r.device.serialNumber && holds == "1.5" && wholeImage && outcome != "updated" &&
        outcome != "up-to-date" && after != "?")
      wrong.push_back("holds the update, reported " + outcome + " with version " + after);
    {
      std::lock_guard lock(tally.mutex);
      ++tally.rounds;
      ++tally.outcomes[outcome];
      if (after == "?") ++tally.unknown;
      if (holds == "1.5" && !wholeImage) ++tally.lost;
      if (!wrong.empty()) ++tally.disagreeing;
      for (const std::string& w : wrong)
        std::printf("  port %zu, serial %u: %s (error %d)\n", port, SerialOf(device.eeprom),
                    w.c_str(), static_cast<int>(r.error));
    }
    // Updated, or found already updated: the simulator brings the next device at the next call.
    if (holds == "1.5" && wholeImage) ++done;
    // Any other end: the technician does what the remedy says, switches the device off and on
    // (a loader that a pulled cable left at the faster line answers again only then).
    if (outcome != "updated" && outcome != "up-to-date") sim.PowerCycle();
  }
  std::lock_guard lock(tally.mutex);
  tally.devices += done;
  tally.lost += want - done;  // never updated within the rounds allowed
  for (int c = 0; c < bench::kFaultClasses; ++c) tally.injected[c] += planner.Injected()[c];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s N [seed] [ports]\n", argv[0]);
    return 2;
  }
  const int devices = std::max(1, std::atoi(argv[1]));
  const std::uint32_t seed =
      argc > 2 ? static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 0)) : 1;
  const int portCount = argc > 3 ? std::clamp(std::atoi(argv[3]), 1, 32) : 8;
  const auto start = std::chrono::steady_clock::now();

  sim::Options base;
  base.hangUpDownMs = 200;
  sim::LoaderBank bank(sim::OptionsForPorts(base, static_cast<unsigned>(portCount)));
  const std::string dir =
      (std::filesystem::temp_directory_path() / ("orb42-soak-flash-" + std::to_string(getpid())))
          .string();
  std::string error;
  if (!bank.Start(dir, &error)) {
    std::fprintf(stderr, "orb42-soak-flash: %s\n", error.c_str());
    return 2;
  }
  setenv("ORB42_SYSFS_TTY", bank.SysfsDir().c_str(), 1);
  setenv("ORB42_DEV_DIR", bank.DevDir().c_str(), 1);

  Tally tally;
  std::vector<std::thread> threads;
  for (int p = 0; p < portCount; ++p) {
    const int want = devices / portCount + (p < devices % portCount ? 1 : 0);
    threads.emplace_back(Soak, std::ref(bank.Port(static_cast<std::size_t>(p))),
                         static_cast<std::size_t>(p), want,
                         seed * 1000003u + static_cast<std::uint32_t>(p), std::ref(tally));
  }
  for (std::thread& t : threads) t.join();
  bank.Stop();
  std::filesystem::remove_all(dir);

  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf(
      "\nsoak (records): %d devices wanted, %d updated, seed %u, %d ports, %d attempts, "
      "%.1f s\n",
      devices, tally.devices, seed, portCount, tally.rounds, seconds);
  int injected = 0;
  std::printf("  faults injected:");
  for (int c = 0; c < bench::kFaultClasses; ++c) {
    std::printf(" %s %d%s", bench::FaultClassName(c), tally.injected[c],
                c + 1 < bench::kFaultClasses ? "," : "");
    injected += tally.injected[c];
  }
  std::printf(" (%d in all)\n  outcomes:", injected);
  for (const auto& [name, n] : tally.outcomes) std::printf(" %s %d;", name.c_str(), n);
  std::printf("\n  records with the version unknown: %d\n", tally.unknown);
  std::printf("  devices lost: %d; records that disagree with the device: %d\n", tally.lost,
              tally.disagreeing);
  const bool pass = tally.lost == 0 && tally.disagreeing == 0 && tally.devices == devices;
  std::printf("  result: %s\n", pass ? "PASS" : "FAIL");
  return pass ? 0 : 1;
}
