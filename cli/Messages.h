#pragma once
// What orb42-flash tells a technician about each device: one short line, and for a device that
// was not updated the cause (with the system's own message where there is one) and the remedy.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/ExitCodes.h"
#include "cli/Job.h"
#include "cli/Ports.h"
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

// The outcome for scripts (--json, --log): "updated", "refused-serial-number", ...
std::string OutcomeKey(const update::RunResult& result);
// "1.4"; "?" when not read.
std::string VersionText(const update::DeviceFacts& facts);
// The version on the device after the run: the new one once updated, what a read-back found
// after a failure while it was being written ("?" when it could not be read back), otherwise the
// one it had ("" when it was not read).
std::string VersionAfter(const update::RunResult& result);
// "2026-12-10T14:03:27.123Z": now, in UTC, so that logs of benches in other time zones sort
// together.
std::string UtcTimestamp();
// "312000001"; "-" when not read.
std::string SerialText(const update::DeviceFacts& facts);
// "COM33 (ttyUSB0) 312000001": the label, and the serial number when it was read.
std::string WhoText(const std::string& label, const update::DeviceFacts& facts);
// A device's bytes made safe to print: printable ASCII kept, anything else as \xNN.
std::string Printable(const std::string& raw);
// A text from outside the program (another process's name, a port or file name as typed, a path)
// made safe to show on a terminal and in a spreadsheet: valid UTF-8 kept, but the control
// characters (C0, DEL, C1: escape sequences that would move the cursor, clear the screen, set
// the terminal's title), the marks that reverse the direction of a line, and bytes that are not
// UTF-8 become \xNN, so that nobody can draw over the output through a name.
std::string Shown(const std::string& raw);
// A system error code (errno, GetLastError) as the system words it, in the run's language.
std::string SystemWords(int code);
// The link's own codes in words; an errno value as the system words it.
std::string LinkErrorText(LinkError error);
// What stopped the run, in words: "Ctrl-C", or "SIGTERM" (a request to end: a service manager,
// kill, the terminal closed; on Windows the console closed or the session ended).
std::string StopName();
// "3.4" (C locale, one decimal).
std::string Seconds(std::uint64_t ms);
// The same for people: "3,4" in French.
std::string SecondsWords(std::uint64_t ms);

}  // namespace flash
