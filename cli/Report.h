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

#include "cli/Job.h"
#include "cli/Messages.h"
#include "cli/Ports.h"
#include "update/UpdateRun.h"

namespace flash {

struct RunSummary {
  std::vector<DeviceReport> reports;  // every device of every port, in the order they ended
  ExitCode code = kExitUpdated;
  bool interrupted = false;      // Ctrl-C
  std::size_t logLinesLost = 0;  // --log lines that could not be written
  std::string log;               // the --log file
};

// One line of the --verbose trace: a loader command and its bytes, or a repair.
struct TraceLine {
  std::string who;      // the port's label: "COM33 (ttyUSB0)", "COM33 (ttyUSB0) #2"
  std::string time;     // when the command began (UTC)
  std::string command;  // "identity", "write word 48 = 0x2A5F", "repair: ..."
  std::string bytes;    // ">86 <35 >84 ...", time-outs and purges in between
};

// The run's observer: the workers' runs tell it their events directly, each with its port and
// device number (update::RunId).
class Reporter : public update::RunObserver {
 public:
  virtual void Begin() {}
  // --loop: the device just done must go before device `next` is called.
  virtual void Waiting(std::size_t /*port*/, unsigned /*next*/) {}
  virtual void Result(const DeviceReport& report) = 0;
  virtual void Stopping() {}  // Ctrl-C: every port is finishing
  // Something a person must know at once that is no device's outcome (a log line lost): on
  // stderr, "orb42-flash: " first.
  virtual void Problem(const std::string& text);
  // --verbose: a line of the link's trace; on stderr, or a "trace" event with --json.
  virtual void OnTrace(update::RunId id, const TraceLine& line);
  virtual void End(const RunSummary& summary) = 0;
};

std::unique_ptr<Reporter> MakeTerminalReporter(const Job& job, std::FILE* out, int width);
std::unique_ptr<Reporter> MakePlainReporter(const Job& job, std::FILE* out);
std::unique_ptr<Reporter> MakeJsonReporter(const Job& job, std::FILE* out);
std::unique_ptr<Reporter> MakeQuietReporter(const Job& job, std::FILE* err);

// A device's cause and remedy as people read them, "cause: ..." and "remedy: ...", each line
// there only when there is something to say; the reporters indent them as they lay out.
std::vector<std::string> CauseAndRemedy(const DeviceReport& report);

// What the ports do now that the run is asked to stop, for people.
std::string StoppingText();

// The closing lines for people: the counts, then each device that was not updated with its cause
// and remedy, and the ones stopped half-way.
std::vector<std::string> SummaryLines(const Job& job, const RunSummary& summary);

// Writes text to out at once. The first failure to write to the standard output (a full disk, a
// closed pipe) is kept, with the system's code, for the end of the run: OutputError().
void Write(std::FILE* out, const std::string& text);
int OutputError();  // 0 while nothing was lost

// "COM33 (ttyUSB0)", or "COM33 (ttyUSB0) #2" for the second device of a --loop.
std::string DeviceLabel(const Job& job, std::size_t port, unsigned sequence);

}  // namespace flash
