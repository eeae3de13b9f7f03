// Soak: N updates in a row through one wizard and one loader simulator, with seeded random
// faults (silence, wrong bytes, refused calls, hang-ups at random commands and program words).
// The user answers Yes (or OK) to every failure and goes on until each device is updated, and
// Yes for another device on step 10; the simulator brings a fresh device after each one.
// The wizard runs on the in-memory front end and its timer's ticks are driven directly, one after
// the other (no waiting out the periods), as the wizard tests do; the link's own waits and
// time-outs are real.
//   orb42-soak N [seed]
// Exits 0 when every device ended with the whole image and version 1.5 and neither descriptors
// nor resident memory grew; 1 otherwise.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "bench/SoakFaults.h"
#include "support/SimWizard.h"
#include "wizard/WizardMessages.h"

namespace {

constexpr int kRoundsPerDeviceLimit = 25;
constexpr long kRssGrowthLimitKb = 3 * 1024;  // after warm-up
#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer holds freed memory in quarantine: resident memory grows by design.
constexpr bool kJudgeRss = false;
#else
constexpr bool kJudgeRss = true;
#endif

long RssKb() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

// The process's open descriptors and what each one is.
std::map<int, std::string> OpenDescriptors() {
  std::map<int, std::string> open;
  std::error_code error;
  for (auto it = std::filesystem::directory_iterator("/proc/self/fd", error);
       !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    std::error_code ignored;
    open[std::atoi(it->path().filename().c_str())] =
        std::filesystem::read_symlink(it->path(), ignored).string();
  }
  // The listing's own descriptor is gone by now and shows as a broken entry.
  std::erase_if(open, [](const auto& entry) { return entry.second.empty(); });
  return open;
}

// Says which descriptors came or went since the last call that saw a change.
void ReportDescriptorChanges(const std::map<int, std::string>& now) {
  static std::map<int, std::string> before = now;
  for (const auto& [fd, what] : now) {
    if (!before.contains(fd))
      std::printf("  descriptor %d opened: %s\n", fd, what.c_str());
    else if (before.at(fd) != what)
      std::printf("  descriptor %d is now %s (was %s)\n", fd, what.c_str(), before.at(fd).c_str());
  }
  for (const auto& [fd, what] : before)
    if (!now.contains(fd)) std::printf("  descriptor %d closed: %s\n", fd, what.c_str());
  before = now;
}

struct Sample {
  long rssKb;
  int fds;
};

bool Updated(const std::vector<std::uint16_t>& program, const std::vector<std::uint8_t>& eeprom) {
  return testsupport::WordsDifferingFromImage(program) == 0 && eeprom[126] == 1 && eeprom[127] == 5;
}

// Devices that hold the whole image and 1.5: those the simulator has replaced, and the current
// one once it is done.
int DevicesDone(const sim::LoaderSim& s) {
  const sim::LoaderSim::FinishedDevice current = s.CurrentDevice();
  return static_cast<int>(s.FinishedDevices().size()) +
         (Updated(current.program, current.eeprom) ? 1 : 0);
}

std::string OutcomeName(const testsupport::PostedMessage& m) {
  switch (m.message) {
    case WM_LINK_FAILED:
      return "link failed";
    case WM_CONNECT_FAILED:
      return "20 calls unanswered";
    case WM_DEVICE_REFUSED: {
      static const char* const kReasons[] = {"identity", "serial number", "version", "device type"};
      const bool known = m.wParam >= 0 && m.wParam < 4;
      return std::string("refused (") + (known ? kReasons[m.wParam] : "?") + ")";
    }
    default:
      return "step done";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s N [seed]\n", argv[0]);
    return 2;
  }
  const int devices = std::max(1, std::atoi(argv[1]));
  const std::uint32_t seed =
      argc > 2 ? static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 0)) : 1;
  const auto start = std::chrono::steady_clock::now();

  sim::Options options;
  options.hangUpDownMs = 200;
  int result = 0;
  {
    testsupport::SimWizard w(options);
    TFormMj& f = w.Form();
    w.Ui().SetDefaultAnswer(wizard::DialogAnswer::Yes);  // every failure is tried again

    bench::FaultPlanner planner(seed);
    bench::LineCounts counts;
    std::map<std::string, int> outcomes;
    std::vector<Sample> samples;
    int done = 0, rounds = 0, anotherDevice = 0, dialogs = 0;
    while (done < devices && rounds < devices * kRoundsPerDeviceLimit && !w.Ui().Closed()) {
      ++rounds;
      w.Sim().ClearFaults();
      for (const sim::Fault& fault : planner.Plan(counts)) w.Sim().AddFault(fault);
      if (f.WizardStep == 10) {
        w.Ui().Press(wizard::layout::ButtonPrecedant);  // "Yes": another device
        ++anotherDevice;
      }
      w.GoToStep7();
      w.TickUntil([&] { return f.WizardStep == 10 && !f.TimerGestionSerie->Enabled(); }, 5000);
      counts.Add(w.Sim().Transcript());
      w.Sim().ClearTranscript();
      planner.Settle(counts);
      for (const auto& m : w.Messages())
        if (m.message != WM_STEP_DONE) ++outcomes[OutcomeName(m)];
      dialogs += static_cast<int>(w.Ui().Dialogs().size());
      w.Ui().ClearHistory();
      const int nowDone = DevicesDone(w.Sim());
      const std::map<int, std::string> fds = OpenDescriptors();
      for (; done < nowDone; ++done) samples.push_back({RssKb(), static_cast<int>(fds.size())});
      std::printf("round %3d: step %2d, %d of %d devices done, VmRSS %ld kB, %zu descriptors\n",
                  rounds, f.WizardStep, done, devices, RssKb(), fds.size());
      ReportDescriptorChanges(fds);
      std::fflush(stdout);
    }

    // Every device: the whole image and version 1.5.
    int good = 0, checked = 0;
    for (const auto& d : w.Sim().FinishedDevices()) {
      ++checked;
      good += Updated(d.program, d.eeprom) ? 1 : 0;
    }
    const sim::LoaderSim::FinishedDevice current = w.Sim().CurrentDevice();
    ++checked;
    good += Updated(current.program, current.eeprom) ? 1 : 0;

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("\nsoak: %d devices wanted, %d done, seed %u, %d rounds, %.1f s\n", devices, done,
                seed, rounds, seconds);
    std::printf("  devices checked: %d, with the whole image and version 1.5: %d\n", checked, good);
    int injected = 0;
    std::printf("  faults injected:");
    for (int c = 0; c < bench::kFaultClasses; ++c) {
      std::printf(" %s %d%s", bench::FaultClassName(c), planner.Injected()[c],
                  c + 1 < bench::kFaultClasses ? "," : "");
      injected += planner.Injected()[c];
    }
    std::printf(" (%d in all; %d planned past an attempt's end, not used)\n", injected,
                planner.Unused());
    std::printf("  outcomes shown:");
    if (outcomes.empty()) std::printf(" none");
    for (const auto& [name, n] : outcomes) std::printf(" %s %d;", name.c_str(), n);
    std::printf("\n  retries (failure dialogs answered Yes/OK): %d; Yes for another device: %d\n",
                dialogs, anotherDevice);
    std::printf("  line: %u commands, %u calls, %u program words\n", counts.commands, counts.calls,
                counts.words);

    // Memory and descriptors, sampled after each device.
    bool steady = !samples.empty();
    if (steady) {
      const std::size_t warm = std::min<std::size_t>(samples.size() - 1, 2);
      long rssMax = 0;
      int fdMax = 0;
      for (const Sample& s : samples) {
        rssMax = std::max(rssMax, s.rssKb);
        fdMax = std::max(fdMax, s.fds);
      }
      const long growth = samples.back().rssKb - samples[warm].rssKb;
      std::printf(
          "  VmRSS after each device: first %ld kB, after warm-up (device %zu) %ld kB, last %ld "
          "kB, max %ld kB (growth after warm-up %ld kB, limit %ld)\n",
          samples.front().rssKb, warm + 1, samples[warm].rssKb, samples.back().rssKb, rssMax,
          growth, kRssGrowthLimitKb);
      std::printf("  open descriptors after each device: first %d, last %d, max %d\n",
                  samples.front().fds, samples.back().fds, fdMax);
      if (!kJudgeRss) std::printf("  (AddressSanitizer build: memory growth not judged)\n");
      steady =
          samples.back().fds <= samples.front().fds && (growth <= kRssGrowthLimitKb || !kJudgeRss);
    }
    const bool pass = done == devices && good == checked && checked == devices && steady;
    std::printf("  result: %s\n", pass ? "PASS" : "FAIL");
    result = pass ? 0 : 1;
  }
  return result;
}
