#include "cli/ExitCodes.h"

namespace flash {

ExitCode ExitCodeOf(update::Outcome outcome) {
  using update::Outcome;
  switch (outcome) {
    case Outcome::Updated:
    case Outcome::WouldUpdate:
      return kExitUpdated;
    case Outcome::UpToDate:
      return kExitUpToDate;
    case Outcome::Refused:
      return kExitRefused;
    case Outcome::NoAnswer:
      return kExitNoAnswer;
    case Outcome::PortFailed:
      return kExitPortFailed;
    case Outcome::LinkFailed:
      return kExitTransmission;
    case Outcome::Stopped:
      return kExitInterrupted;
  }
  return kExitTransmission;
}

ExitCode MostSerious(ExitCode a, ExitCode b) {
  if (a == kExitInterrupted || b == kExitInterrupted) return kExitInterrupted;
  return a > b ? a : b;
}

const char* ExitCodeTable() {
  return "Exit status (several devices: the highest; 130 overrides):\n"
         "  0    every device updated (info: every device would be updated)\n"
         "  2    bad usage, or a firmware file that the check refuses: nothing was sent\n"
         "  3    a device already has version 1.5 or newer: nothing was written to it\n"
         "  4    a device was refused (identity, device type or serial number)\n"
         "  5    no answer from a device within --wait\n"
         "  6    a port could not be used (no such port, permission denied, held by another\n"
         "       program)\n"
         "  7    transmission failure during the checks or the programming: the device keeps\n"
         "       a version that lets it be updated again\n"
         "  8    a line of the --log file could not be written (a full disk): each device's\n"
         "       outcome is on the output\n"
         "  130  Ctrl-C stopped a device before it was done (with --loop, Ctrl-C between two\n"
         "       devices ends normally)\n";
}

}  // namespace flash
