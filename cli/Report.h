#pragma once
// How orb42-flash shows a run: live lines redrawn in place on a terminal, plain lines when the
// output goes to a file or a pipe, one JSON object a line for scripts, or only what went wrong.
// The port workers call a Reporter from their own threads; each implementation serialises.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Messages.h"
#include "cli/Ports.h"
#include "update/UpdateRun.h"

namespace flash {

struct RunSetup {
  std::vector<Port> ports;
  bool info = false;  // checks only
  bool loop = false;
  std::int32_t speed = 115200;
  std::optional<unsigned> waitSeconds;
  std::string firmware;  // empty: the built-in image
  std::size_t records = 0;
};

struct RunSummary {
  std::vector<DeviceReport> reports;  // every device of every port, in the order they ended
  ExitCode code = kExitUpdated;
  bool interrupted = false;  // Ctrl-C
  std::size_t logLinesLost = 0;  // --log lines that could not be written
  std::string log;               // the --log file
};

class Reporter {
 public:
  virtual ~Reporter() = default;
  virtual void Begin() {}
  virtual void Stage(std::size_t /*port*/, unsigned /*sequence*/, update::Stage /*stage*/) {}
  virtual void Device(std::size_t /*port*/, const update::DeviceFacts& /*facts*/) {}
  virtual void Speed(std::size_t /*port*/, std::int32_t /*bitsPerSecond*/, bool /*refused*/) {}
  virtual void Progress(std::size_t /*port*/, std::size_t /*done*/, std::size_t /*count*/) {}
  // --loop: the device just done must go before device `next` is called.
  virtual void Waiting(std::size_t /*port*/, unsigned /*next*/) {}
  virtual void Result(const DeviceReport& report) = 0;
  virtual void Stopping() {}  // Ctrl-C: every port is finishing
  // Something a person must know at once that is no device's outcome (a log line lost): on
  // stderr, "orb42-flash: " first.
  virtual void Problem(const std::string& text);
  virtual void End(const RunSummary& summary) = 0;
};

std::unique_ptr<Reporter> MakeTerminalReporter(const RunSetup& setup, std::FILE* out, int width);
std::unique_ptr<Reporter> MakePlainReporter(const RunSetup& setup, std::FILE* out);
std::unique_ptr<Reporter> MakeJsonReporter(const RunSetup& setup, std::FILE* out, bool quiet);
std::unique_ptr<Reporter> MakeQuietReporter(const RunSetup& setup, std::FILE* err);

// The closing lines for people: the counts, then each device that was not updated with its cause
// and remedy, and the ones stopped half-way.
std::vector<std::string> SummaryLines(const RunSetup& setup, const RunSummary& summary);

// "COM33 (ttyUSB0)", or "COM33 (ttyUSB0) #2" for the second device of a --loop.
std::string DeviceLabel(const RunSetup& setup, std::size_t port, unsigned sequence);

}  // namespace flash
