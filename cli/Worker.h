#pragma once
// One port's worker: its own thread and its own link, running the update (or the checks) of
// the device on its port, and with --loop of every device after it, until Ctrl-C.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "cli/Job.h"
#include "cli/LogFile.h"
#include "cli/Messages.h"
#include "cli/Ports.h"
#include "cli/Report.h"

namespace flash {

class PortWorker {
 public:
  // The port is job.ports[index]; the job, the reporter and the log outlive the worker.
  PortWorker(std::size_t index, const Job& job, Reporter& reporter, LogFile* log,
             const std::atomic<bool>& stop);
  ~PortWorker();
  PortWorker(const PortWorker&) = delete;
  PortWorker& operator=(const PortWorker&) = delete;

  void Start();
  void Join();
  bool Finished() const { return finished_.load(); }
  // The device under way may be left in programming mode, or at another line speed, if the
  // program ended now: it was switched, is being programmed or is being finished. Then its
  // label (and serial number, once read) for the second Ctrl-C's note; empty otherwise.
  std::string AtRisk() const;
  // Every device handled, once joined.
  const std::vector<DeviceReport>& Reports() const { return reports_; }

 private:
  void Run();

  const std::size_t index_;
  const Job& job_;
  const Port& port_;
  Reporter& reporter_;
  LogFile* log_;
  const std::atomic<bool>& stop_;
  std::vector<DeviceReport> reports_;
  std::atomic<bool> finished_{false};
  std::atomic<int> stage_{-1};  // update::Stage of the device under way; -1: none
  std::atomic<std::uint32_t> serial_{0};
  std::atomic<unsigned> sequence_{1};
  std::thread thread_;
};

}  // namespace flash
