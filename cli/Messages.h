#pragma once
// What orb42-flash tells a technician about each device: one short line, and for a device that
// was not updated the cause (with the system's own message where there is one) and the remedy.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/ExitCodes.h"
#include "cli/Figures.h"
#include "cli/Job.h"
#include "cli/Ports.h"
#include "cli/TextColumns.h"
#include "update/UpdateRun.h"

namespace flash {

struct DeviceReport {
  std::size_t port = 0;   // index among the ports of this run
  unsigned sequence = 1;  // the n-th device on its port (--loop counts on)
  update::RunResult result;
  ExitCode code = kExitUpdated;
  std::string line;    // "updated 1.4 -> 1.5 in 3.4 s at 115200 bit/s"
  std::string cause;   // empty when there is nothing to explain
  std::string remedy;  // empty when there is nothing to do
  // The device holds part of the new image but keeps its old version: it can be updated again.
  bool stoppedHalfWay = false;
};

// otherReaders: the other processes that were reading the port when a line fell silent (Linux).
DeviceReport Explain(const update::RunResult& result, const Job& job, const Port& port,
                     const std::vector<std::string>& otherReaders = {});

// A system error code (errno, GetLastError) as the system words it, in the run's language.
std::string SystemWords(int code);
// The link's own codes in words; an errno value as the system words it.
std::string LinkErrorText(LinkError error);
// What stopped the run, in words: "Ctrl-C", or "SIGTERM" (a request to end: a service manager,
// kill, the terminal closed; on Windows the console closed or the session ended).
std::string StopName();

}  // namespace flash
