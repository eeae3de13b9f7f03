// orb42-loader-sim: the loader simulator as a program, for the demo and for trying the wizard by
// hand. Builds the sysfs and dev trees, prints the variables that point the wizard at them,
// serves until SIGINT or SIGTERM, then prints what each device received.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "sim/CommandLine.h"
#include "sim/EventReader.h"
#include "sim/LoaderBank.h"
#include "sim/LoaderSim.h"
#include "sim/WriteReport.h"

namespace {

// Plain paths stay as they are; anything else is single-quoted for the shell.
std::string ShellWord(const std::string& s) {
  bool plain = !s.empty();
  for (char c : s) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '/' || c == '.' || c == '_' || c == '-';
    plain = plain && ok;
  }
  if (plain) return s;
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string MakeTempDir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/orb42-sim-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) return {};
  return buffer.data();
}

// Blocked before the simulator's thread starts, so that only sigwait below sees them.
sigset_t TermSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

// "ttyUSB1 (COM34)"
std::string NodeName(std::size_t port) {
  return "ttyUSB" + std::to_string(port) + " (COM" + std::to_string(33 + port) + ")";
}

void PrintReport(const sim::LoaderBank& bank) {
  for (std::size_t port = 0; port < bank.Size(); ++port) {
    const std::string where = bank.Size() > 1 ? " on " + NodeName(port) : "";
    std::fputs(sim::DescribePort(bank.Port(port), where).c_str(), stdout);
  }
  std::fflush(stdout);
}

// --events: reads the transcript every 20 ms and prints each event at once, so that a script
// reading the output follows the update as it goes.
class EventPrinter {
 public:
  // prefix goes before each event's text ("ttyUSB1: " when there are several ports).
  EventPrinter(const sim::LoaderSim& loader, std::uint64_t startMs, std::string prefix)
      : loader_(loader),
        startMs_(startMs),
        prefix_(std::move(prefix)),
        thread_([this] { Run(); }) {}
  ~EventPrinter() {
    stop_ = true;
    thread_.join();
    Print();  // whatever came in between the last look and the interrupt
  }
  EventPrinter(const EventPrinter&) = delete;
  EventPrinter& operator=(const EventPrinter&) = delete;

 private:
  void Run() {
    while (!stop_) {
      Print();
      platform::SleepMs(20);
    }
  }
  void Print() {
    for (sim::Event e : reader_.Feed(loader_.Transcript())) {
      e.text = prefix_ + e.text;
      std::printf("%s\n", sim::EventLine(e, startMs_).c_str());
    }
    std::fflush(stdout);
  }

  const sim::LoaderSim& loader_;
  const std::uint64_t startMs_;
  const std::string prefix_;
  sim::EventReader reader_;
  std::atomic<bool> stop_{false};
  std::thread thread_;  // last: starts once everything it uses is there
};

int Serve(const sim::CommandLine& cl, const std::string& dir) {
  const std::uint64_t startMs = platform::TickCount();
  const std::vector<sim::Options> ports = sim::OptionsOfPorts(cl);
  sim::LoaderBank bank(ports);
  std::string error;
  if (!bank.Start(dir, &error)) {
    std::fprintf(stderr, "orb42-loader-sim: %s\n", error.c_str());
    return 1;
  }
  std::printf("export ORB42_SYSFS_TTY=%s\n", ShellWord(bank.SysfsDir()).c_str());
  std::printf("export ORB42_DEV_DIR=%s\n", ShellWord(bank.DevDir()).c_str());
  if (bank.Size() == 1) {
    std::printf(
        "# serving on %s (ttyUSB0, COM33), pacing %s, switch-on delay %u ms; "
        "Ctrl-C ends\n",
        bank.Port(0).SlavePath().c_str(), cl.options.pacing ? "on" : "off",
        cl.options.switchOnDelayMs);
  } else {
    for (std::size_t i = 0; i < bank.Size(); ++i) {
      std::printf("# serving on %s (ttyUSB%zu, COM%zu), first serial number %u\n",
                  bank.Port(i).SlavePath().c_str(), i, 33 + i, ports[i].device.serialNumber);
    }
    std::printf("# %zu ports, pacing %s, switch-on delay %u ms; Ctrl-C ends\n", bank.Size(),
                cl.options.pacing ? "on" : "off", cl.options.switchOnDelayMs);
  }
  std::fflush(stdout);
  {
    std::vector<std::unique_ptr<EventPrinter>> events;
    for (std::size_t i = 0; cl.events && i < bank.Size(); ++i) {
      const std::string prefix = bank.Size() > 1 ? "ttyUSB" + std::to_string(i) + ": " : "";
      events.push_back(std::make_unique<EventPrinter>(bank.Port(i), startMs, prefix));
    }
    const sigset_t set = TermSignals();
    int signal = 0;
    sigwait(&set, &signal);
  }
  bank.Stop();
  PrintReport(bank);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  sim::CommandLine cl = sim::DefaultCommandLine();
  std::string error;
  if (!sim::ParseCommandLine({argv + 1, argv + argc}, cl, &error)) {
    std::fprintf(stderr, "orb42-loader-sim: %s\n\n%s", error.c_str(), sim::Usage().c_str());
    return 2;
  }
  if (cl.help) {
    std::fputs(sim::Usage().c_str(), stdout);
    return 0;
  }
  const sigset_t set = TermSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  const bool madeDir = cl.dir.empty();
  const std::string dir = madeDir ? MakeTempDir() : cl.dir;
  if (dir.empty()) {
    std::perror("orb42-loader-sim: mkdtemp");
    return 1;
  }
  const int status = Serve(cl, dir);
  if (madeDir) rmdir(dir.c_str());  // empty again once the simulator took its trees away
  return status;
}
