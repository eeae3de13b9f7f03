#pragma once
// One port's worker: its own thread and its own link, running the update (or the checks) of
// the device on its port, and with --loop of every device after it, until Ctrl-C.
#include <atomic>
#include <cstddef>
#include <optional>
#include <thread>
#include <vector>

#include "cli/LogFile.h"
#include "cli/Messages.h"
#include "cli/Ports.h"
#include "cli/Report.h"
#include "update/FirmwareImage.h"

namespace flash {

struct WorkSettings {
  bool info = false;  // checks only
  bool loop = false;
  std::int32_t speed = 115200;
  std::optional<unsigned> waitSeconds = 45;
  const FirmwareRecord* image = nullptr;  // nullptr: the built-in image
};

class PortWorker {
 public:
  PortWorker(std::size_t index, const Port& port, const WorkSettings& settings, Reporter& reporter,
             LogFile* log, const std::atomic<bool>& stop);
  ~PortWorker();
  PortWorker(const PortWorker&) = delete;
  PortWorker& operator=(const PortWorker&) = delete;

  void Start();
  void Join();
  bool Finished() const { return finished_.load(); }
  // Every device handled, once joined.
  const std::vector<DeviceReport>& Reports() const { return reports_; }

 private:
  void Run();

  const std::size_t index_;
  const Port port_;
  const WorkSettings settings_;
  Reporter& reporter_;
  LogFile* log_;
  const std::atomic<bool>& stop_;
  std::vector<DeviceReport> reports_;
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace flash
