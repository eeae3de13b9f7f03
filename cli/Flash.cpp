#include "cli/Flash.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>

#include "cli/ExitCodes.h"
#include "cli/Firmware.h"
#include "cli/LogFile.h"
#include "cli/Options.h"
#include "cli/Ports.h"
#include "cli/Report.h"
#include "cli/Terminal.h"
#include "cli/Worker.h"
#include "platform/SerialDeviceMap.h"
#include "update/FirmwareRecord.h"

namespace flash {

namespace {

// Set by Ctrl-C; lives as long as the program, as the signal handler needs it to.
std::atomic<bool> stopRequested{false};

void Error(const std::string& text) {
  std::fprintf(stderr, "orb42-flash: %s\n", text.c_str());
}

int List(const Settings& s) {
  const auto listed = ListPorts();
  if (!listed || listed->empty()) {
    Error("no serial port found in " + platform::SerialDeviceMapSource());
    return kExitUpdated;
  }
  for (const ListedPort& p : *listed) {
    if (s.json) {
      nlohmann::ordered_json j = {{"event", "port"}, {"entry", p.entry}};
      if (p.port) {
        j["port"] = p.port->com;
        j["device"] = p.port->device;
      }
      j["bridge"] = p.bridge;
      std::printf("%s\n", j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    } else {
      std::printf("%s\n", p.entry.c_str());
    }
  }
  return kExitUpdated;
}

// The ports named, or every bridge; nullopt (with the message given) when the run cannot start.
std::optional<std::vector<Port>> ChoosePorts(const Settings& s, int& code) {
  std::vector<Port> ports;
  if (s.all) {
    ports = BridgePorts();
    if (ports.empty()) {
      Error("--all: no port behind the device's own bridge in " +
            platform::SerialDeviceMapSource() +
            ": plug the cable in (orb42-flash list shows the ports there are)");
      code = kExitPortFailed;
      return std::nullopt;
    }
    return ports;
  }
  for (const std::string& argument : s.ports) {
    std::string error;
    const std::optional<Port> port = PortFromArgument(argument, &error);
    if (!port) {
      Error(error);
      code = kExitUsage;
      return std::nullopt;
    }
    const auto same = std::find_if(ports.begin(), ports.end(),
                                   [&](const Port& p) { return p.index == port->index; });
    if (same != ports.end()) {
      Error("'" + argument + "' names " + port->Label() + " a second time");
      code = kExitUsage;
      return std::nullopt;
    }
    ports.push_back(*port);
  }
  return ports;
}

std::unique_ptr<Reporter> ChooseReporter(const Settings& s, const RunSetup& setup) {
  if (s.json) return MakeJsonReporter(setup, stdout, s.quiet);
  if (s.quiet) return MakeQuietReporter(setup, stderr);
  if (terminal::IsTerminal(stdout)) {
    return MakeTerminalReporter(setup, stdout, terminal::Width(stdout));
  }
  return MakePlainReporter(setup, stdout);
}

int Work(const Settings& s) {
  int code = kExitUpdated;
  const std::optional<std::vector<Port>> ports = ChoosePorts(s, code);
  if (!ports) return code;

  LoadedFirmware firmware;
  RunSetup setup;
  if (!s.firmware.empty()) {
    firmware = LoadFirmware(s.firmware);
    for (const std::string& message : firmware.messages)
      std::fprintf(stderr, "%s\n", message.c_str());
    if (!firmware.ok) {
      Error("the firmware file was refused: nothing was sent to any device");
      return kExitUsage;
    }
    setup.records = firmware.records;
  } else {
    RecordTable table{};
    setup.records = FillRecordTable(table);
  }

  LogFile log;
  std::string error;
  if (!s.log.empty() && !log.Open(s.log, &error)) {
    Error(error);
    return kExitUsage;
  }

  setup.ports = *ports;
  setup.info = s.command == Command::Info;
  setup.loop = s.loop;
  setup.speed = s.speed;
  setup.waitSeconds = s.waitSeconds;
  setup.firmware = s.firmware;
  std::unique_ptr<Reporter> reporter = ChooseReporter(s, setup);

  WorkSettings work;
  work.info = setup.info;
  work.loop = s.loop;
  work.speed = s.speed;
  work.waitSeconds = s.waitSeconds;
  work.image = firmware.ok ? firmware.slots.data() : nullptr;

  terminal::OnInterrupt(&stopRequested);
  reporter->Begin();
  std::vector<std::unique_ptr<PortWorker>> workers;
  for (std::size_t i = 0; i < setup.ports.size(); ++i) {
    workers.push_back(std::make_unique<PortWorker>(i, setup.ports[i], work, *reporter,
                                                   s.log.empty() ? nullptr : &log, stopRequested));
  }
  for (auto& worker : workers) worker->Start();
  bool announced = false;
  for (;;) {
    const bool allDone =
        std::all_of(workers.begin(), workers.end(), [](const auto& w) { return w->Finished(); });
    if (allDone) break;
    if (stopRequested && !announced) {
      reporter->Stopping();
      announced = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }

  RunSummary summary;
  for (auto& worker : workers) {
    worker->Join();
    for (const DeviceReport& r : worker->Reports()) {
      summary.reports.push_back(r);
      summary.code = MostSerious(summary.code, r.code);
    }
  }
  summary.interrupted = stopRequested;
  summary.log = s.log;
  summary.logLinesLost = log.LinesLost();
  if (summary.logLinesLost > 0) summary.code = MostSerious(summary.code, kExitLogFailed);
  reporter->End(summary);
  return summary.code;
}

}  // namespace

int Main(int argc, const char* const* argv) {
  Settings settings;
  if (const std::optional<int> code = ParseCommandLine(argc, argv, settings, std::cout, std::cerr))
    return *code;
  std::cout.flush();
  if (settings.command == Command::List) return List(settings);
  return Work(settings);
}

}  // namespace flash
