#pragma once
// The exit status of orb42-flash. The codes of the devices rise with how much a device needs a
// person's attention, so several ports end with the highest; an interrupt in the middle of a
// device overrides them all.
#include <string>

#include "update/UpdateRun.h"

namespace flash {

enum ExitCode : int {
  kExitUpdated = 0,        // every device updated (info: every device would be)
  kExitUsage = 2,          // bad usage or a refused firmware file: nothing was sent
  kExitUpToDate = 3,       // a device already has 1.5 or newer
  kExitRefused = 4,        // a device was refused: identity, type or serial number
  kExitNoAnswer = 5,       // a device did not answer within --wait
  kExitPortFailed = 6,     // a port could not be used: missing, permission, held elsewhere
  kExitTransmission = 7,   // the line failed during the checks or the programming
  kExitLogFailed = 8,      // a line of the --log file, or of the output, could not be written
  kExitInterrupted = 130,  // Ctrl-C stopped a device before it was done
  kExitTerminated = 143,   // a request to end (SIGTERM) stopped a device before it was done
};

ExitCode ExitCodeOf(update::Outcome outcome);

// The more serious of two codes: an interrupt or a request to end first, then the higher code.
ExitCode MostSerious(ExitCode a, ExitCode b);

// The table for --help and the README.
std::string ExitCodeTable();

}  // namespace flash
