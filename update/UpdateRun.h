#pragma once
// A whole update of one device in a loop, as fast as the line allows: call the device until it
// answers (within a waiting time), the checks, the switch to a faster line, every record of the
// image, the finish. No window, no toolkit, no thread of its own: the caller runs it on the
// thread it likes (the bench updater runs one per port) and hears of its progress through a
// small observer. The device work itself is the Session's, run piece after piece; nothing here
// checks or writes a device any other way.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "link/Com_p03.h"
#include "update/DeviceFacts.h"
#include "update/DeviceUpdate.h"
#include "update/FirmwareImage.h"
#include "update/Session.h"
#include "update/Stage.h"

namespace update {

enum class Outcome {
  Updated,      // the whole image and then the new version are in place
  WouldUpdate,  // checks only: the device passed every check, nothing was written
  UpToDate,     // version 1.5 or newer: nothing written
  Refused,      // identity, type or serial number: nothing written; refusal says which
  NoAnswer,     // nobody answered within the waiting time
  PortFailed,   // the port could not be opened: error holds the system's code
  LinkFailed,   // transmission failure: error holds the link's code, stage where it happened
  Stopped,      // the caller asked to stop; programmingBegun tells whether anything was written
};
const char* OutcomeName(Outcome outcome);  // "updated", "would-update", ...

struct RunResult {
  Outcome outcome = Outcome::NoAnswer;
  Refusal refusal = Refusal::Identity;  // Refused only
  LinkError error = LinkOk;             // PortFailed, LinkFailed
  Stage stage = Stage::Calling;         // the stage the run ended in, before the finish
  DeviceFacts device;
  // The version cells at the end: untouched (the device keeps device's version), the new
  // version, what a read-back found after a failure while they were written, or unknown.
  VersionCells versionAfter;
  bool programmingBegun = false;  // program words or EEPROM cells were written
  std::int32_t speed = 9600;      // the line speed of the programming
  bool speedRefused = false;      // the loader refused the faster line: programmed at 9600
  std::size_t recordsDone = 0;
  std::size_t recordCount = 0;
  std::uint32_t written = 0;    // program words and EEPROM cells written
  std::uint32_t repairs = 0;    // words sent again, calls on a port given up
  std::uint64_t callingMs = 0;  // from the start to the loader's answer (or the give-up)
  std::uint64_t updateMs = 0;   // from the loader's answer to the port closed
};

// Which run an event is about, as the caller numbered it (the bench: its port, and the n-th
// device there); the run only hands it back.
struct RunId {
  std::size_t port = 0;
  unsigned device = 1;
};

// Told of the run as it goes, on the run's own thread. One observer may hear several runs at
// once, one a thread: the id tells them apart.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  virtual void OnStage(RunId, Stage) {}
  // After the checks, with what they read (also when one refused or failed half-way).
  virtual void OnDevice(RunId, const DeviceFacts&) {}
  // The line speed for programming is settled: bitsPerSecond, or 9600 when the loader refused.
  virtual void OnSpeed(RunId, std::int32_t /*bitsPerSecond*/, bool /*refused*/) {}
  virtual void OnProgress(RunId, std::size_t /*recordsDone*/, std::size_t /*recordCount*/) {}
};

// A bench programs at this speed unless told otherwise, and calls a device that is not switched
// on yet for this long (as the wizard's 20 calls take).
inline constexpr std::int32_t kBenchSpeed = 115200;
inline constexpr unsigned kDefaultWaitSeconds = 45;

// The run's own options around the session's: what to do with the device is the session's
// (SessionOptions: checks only, speed, image, verify, stop, trace); how long to call it and
// whether a missing port is waited for are the run's.
struct RunOptions {
  // A bench programs at its speed and reads back what can be read (--no-verify says otherwise).
  RunOptions() {
    session.speed = kBenchSpeed;
    session.verify = true;
  }
  RunId id;  // handed back with every event
  // The session's stop is also asked between two calls, two checks and two records: true stops
  // the run at that point, and the device is finished (released, port closed) as after any
  // other end.
  SessionOptions session;
  // How long to call a device that is not switched on yet; nullopt: until it answers or stop.
  std::optional<unsigned> waitSeconds = kDefaultWaitSeconds;
  // A node that is missing, or hung up, while calling is waited for (a cable being plugged in)
  // instead of ending the run: for a port that worked before, as on a bench between devices.
  bool waitForPort = false;
};

// Runs a whole update (or the checks only) on the port the link names. The link is closed
// afterwards, whatever happened.
RunResult RunUpdate(CP03& link, const RunOptions& options, RunObserver& observer);

// On a bench, the device just handled must go (switched off, taken away) before the next one is
// called: calls until a call goes unanswered, or the port is gone, releasing the loader after
// each answered call. false when stop asked for an end first. The link is left closed.
bool WaitUntilSilent(CP03& link, const std::function<bool()>& stop);

// Open errors that mean "the node is not there (yet)" rather than "this port cannot be used".
bool PortMissing(LinkError error);

}  // namespace update
