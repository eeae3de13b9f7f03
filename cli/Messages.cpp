#include "cli/Messages.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "link/LoaderFacts.h"
#include "platform/SystemError.h"

namespace flash {

namespace {

using update::Outcome;
using update::Refusal;

std::string RefusalText(const update::RunResult& r) {
  const update::DeviceFacts& d = r.device;
  switch (r.refusal) {
    case Refusal::Identity:
      return "refused: the loader is \"" + Printable(d.identity.value_or("?")) +
             "\", not \"P03\": this is not an ORB42TLX remote";
    case Refusal::DeviceType:
      return "refused: device type " + (d.type ? std::to_string(*d.type) : std::string("?")) +
             ", not " + std::to_string(update::kDeviceType);
    case Refusal::SerialNumber:
      return "refused: serial number " + SerialText(d) + " is outside " +
             std::to_string(update::kFirstSerialNumber) + " to " +
             std::to_string(update::kLastSerialNumber);
    case Refusal::Version:
      break;
  }
  return "refused";
}

std::string NewVersion() {
  return std::to_string(loader::kNewVersionMajor) + "." + std::to_string(loader::kNewVersionMinor);
}

#if !defined(_WIN32)
// The rule where udev reads it, as the package (/usr) or cmake --install (any other prefix)
// puts it: installed, it applies to a cable plugged in after it; not installed, say where it goes.
std::string UdevRemedy() {
  constexpr const char* kRule = "70-orb42-cp210x.rules";
  for (const char* dir : {"/usr/lib/udev/rules.d", "/lib/udev/rules.d", "/etc/udev/rules.d"}) {
    const std::string path = std::string(dir) + "/" + kRule;
    std::error_code ec;
    if (std::filesystem::exists(path, ec))
      return "the udev rule " + path +
             " is installed: re-plug the cable so that it applies (or: sudo udevadm control "
             "--reload && sudo udevadm trigger)";
  }
  return std::string("install orb42-update's udev rule ") + kRule +
         " (the package puts it in /usr/lib/udev/rules.d, cmake --install with another prefix "
         "in /etc/udev/rules.d) and re-plug the cable";
}
#endif

// The remedies name this system's own ways: on Linux the udev rule, the dialout group and fuser;
// on Windows a held port is refused as "access denied", and there is nothing to install.
void ExplainPort(const update::RunResult& r, const Port& port, DeviceReport& out) {
  const std::string system = platform::SystemMessage(r.error);
  switch (platform::ClassifyPortError(r.error)) {
    case platform::PortFailure::Permission:
      out.line = "permission denied";
      out.cause = "permission denied on " + port.device + " (" + system + ")";
#if defined(_WIN32)
      out.remedy = "run orb42-flash as a user who may use the serial ports";
#else
      out.remedy = UdevRemedy() +
                   ", or join the dialout group: sudo adduser $USER dialout, then log in again";
#endif
      return;
    case platform::PortFailure::Held:
      out.line = "port held by another program";
      out.cause = port.device + " is held by another program (" + system + ")";
#if defined(_WIN32)
      out.remedy =
          "close that program (a terminal program, the update wizard, another orb42-flash), "
          "then try again";
#else
      out.remedy = "close that program (sudo fuser -v " + port.device +
                   " names it: a terminal program, the wizard, another orb42-flash, brltty, "
                   "ModemManager), then try again";
#endif
      return;
    case platform::PortFailure::Missing:
      out.line = "no such port";
      out.cause = "no such port: " + port.device + " (" + system + ")";
      out.remedy = "plug the cable in, or name another port: orb42-flash list shows the ports";
      return;
    case platform::PortFailure::Other:
      break;
  }
  out.line = "cannot use the port";
  out.cause = "cannot open " + port.device + " (" + system + ")";
  out.remedy = "check the cable and the port: orb42-flash list shows the ports";
}

// Another program reading the port takes the device's answers, and the line then looks
// silent: a time-out names it when it was seen, and otherwise says how to find it.
void AddOtherReaders(const std::vector<std::string>& readers, [[maybe_unused]] const Port& port,
                     DeviceReport& out) {
  if (!readers.empty()) {
    std::string names;
    for (const std::string& reader : readers) names += (names.empty() ? "" : ", ") + reader;
    out.cause += "; another program is reading this port: " + names;
    out.remedy += "; close " + names + ", which takes the device's answers";
    return;
  }
#if !defined(_WIN32)
  out.remedy +=
      "; another program may be reading this port: sudo fuser -v " + port.device + " names it";
#endif
}

void ExplainLinkFailure(const update::RunResult& r, DeviceReport& out) {
  const std::string where = std::string(update::StageName(r.stage));
  out.line = "transmission failure while " + where;
  const bool system = IsSystemError(r.error);
  out.cause = "transmission failure while " + where + ": " +
              (system ? "the line broke off: " : "") + LinkErrorText(r.error);
  if (r.error == LinkVersionMismatch) {
    // The one case where the version cells hold neither the old version nor the new one.
    out.line += " (the version cells do not hold 1.5)";
    out.remedy =
        "the device's version cells read back otherwise after two writes: its EEPROM may be "
        "failing; run orb42-flash info on it and set it aside if it is not offered the update";
  } else if (r.programmingBegun) {
    out.line += " (not updated, can be updated again)";
    out.remedy = "the device keeps version " + VersionText(r.device) +
                 " and can be updated again: switch it off and on, check the cable, and run "
                 "the update again";
  } else {
    out.remedy =
        "nothing was written: switch the device off and on, check the cable, and run "
        "the update again";
  }
}

}  // namespace

std::string OutcomeKey(const update::RunResult& r) {
  if (r.outcome != Outcome::Refused) return update::OutcomeName(r.outcome);
  switch (r.refusal) {
    case Refusal::Identity:
      return "refused-identity";
    case Refusal::DeviceType:
      return "refused-device-type";
    case Refusal::SerialNumber:
      return "refused-serial-number";
    case Refusal::Version:
      break;
  }
  return "refused";
}

std::string VersionText(const update::DeviceFacts& facts) {
  if (!facts.versionMajor || !facts.versionMinor) return "?";
  return std::to_string(*facts.versionMajor) + "." + std::to_string(*facts.versionMinor);
}

std::string VersionAfter(const update::RunResult& r) {
  if (r.outcome == Outcome::Updated) return NewVersion();
  return r.device.versionMajor && r.device.versionMinor ? VersionText(r.device) : "";
}

std::string UtcTimestamp() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
  std::tm utc{};
#if defined(_WIN32)
  gmtime_s(&utc, &seconds);
#else
  gmtime_r(&seconds, &utc);
#endif
  char text[40];
  const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text + n, sizeof text - n, ".%03dZ", static_cast<int>(ms.count()));
  return text;
}

std::string WhoText(const std::string& label, const update::DeviceFacts& facts) {
  return facts.serialNumber ? label + " " + SerialText(facts) : label;
}

std::string SerialText(const update::DeviceFacts& facts) {
  return facts.serialNumber ? std::to_string(*facts.serialNumber) : std::string("-");
}

std::string Printable(const std::string& raw) {
  std::string out;
  for (unsigned char c : raw) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    }
  }
  return out;
}

std::string LinkErrorText(LinkError error) {
  switch (error) {
    case LinkOk:
      return "the image has no end record";
    case LinkNotConnected:
      return "the loader is not connected";
    case LinkTimeout:
      return "no answer from the device (time-out)";
    case LinkBadAnswer:
      return "the device gave an unexpected answer";
    case LinkNotUnlocked:
      return "the loader is not unlocked";
    case LinkAddressOutOfRange:
      return "a program word outside the loader's range " +
             std::to_string(loader::kFirstProgramWord) + " to " +
             std::to_string(loader::kProgramWordLimit - 1);
    case LinkNotProgramming:
      return "the loader is not in programming mode";
    case LinkPortNotOpen:
      return "the port is closed (the cable was unplugged?)";
    case LinkWrongIdentity:
      return "the loader is not P03";
    case LinkCellMismatch:
      return "an EEPROM cell read back differs from what was written";
    case LinkVersionMismatch:
      return "the version read back is not " + NewVersion();
    default:
      break;
  }
  if (IsSystemError(error)) {
    const bool gone = platform::ClassifyPortError(error) == platform::PortFailure::Missing;
    return platform::SystemMessage(error) + (gone ? " (the cable was unplugged?)" : "");
  }
  return "link error " + std::to_string(error);
}

std::string Seconds(std::uint64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(ms) / 1000.0);
  return text;
}

DeviceReport Explain(const update::RunResult& r, const Job& job, const Port& port,
                     const std::vector<std::string>& otherReaders) {
  DeviceReport out;
  out.result = r;
  out.code = ExitCodeOf(r.outcome);
  out.stoppedHalfWay = r.programmingBegun && r.outcome != Outcome::Updated;
  const std::string version = VersionText(r.device);
  switch (r.outcome) {
    case Outcome::Updated:
      out.line = "updated " + version + " -> " + NewVersion() + " in " + Seconds(r.updateMs) +
                 " s at " + std::to_string(r.speed) + " bit/s";
      if (r.speedRefused) {
        out.line += " (the loader refused " + std::to_string(job.speed) + " bit/s)";
      }
      break;
    case Outcome::WouldUpdate:
      out.line = "version " + version + ": would be updated to " + NewVersion();
      break;
    case Outcome::UpToDate:
      out.line = version == NewVersion() ? "already " + version + ": not updated"
                                         : "newer (" + version + "): not updated";
      out.cause = "the device has version " + version +
                  (version == NewVersion() ? "" : ", newer than " + NewVersion());
      break;
    case Outcome::Refused:
      out.line = RefusalText(r);
      out.cause = out.line.substr(std::strlen("refused: "));
      out.remedy =
          "this program updates ORB42TLX remotes of device type 1 with a serial number "
          "from 300000000 to 399999999 only";
      break;
    case Outcome::NoAnswer:
      out.line = "no answer";
      out.cause =
          "no answer from the device" +
          (job.waitSeconds ? " within " + std::to_string(*job.waitSeconds) + " s" : std::string());
      if (r.error != LinkOk && r.error != LinkTimeout)
        out.cause += " (" + LinkErrorText(r.error) + ")";
      out.remedy =
          "switch the device on once the port is being called; check the cable and "
          "that " +
          port.com + " is the cable's port (orb42-flash list)";
      AddOtherReaders(otherReaders, port, out);
      break;
    case Outcome::PortFailed:
      ExplainPort(r, port, out);
      break;
    case Outcome::LinkFailed:
      ExplainLinkFailure(r, out);
      if (r.error == LinkTimeout) AddOtherReaders(otherReaders, port, out);
      break;
    case Outcome::Stopped:
      if (r.programmingBegun) {
        out.line = "stopped half-way: not updated, can be updated again";
        out.cause = "stopped by Ctrl-C while programming, " + std::to_string(r.recordsDone) +
                    " of " + std::to_string(r.recordCount) + " records written";
        out.remedy = "the device keeps version " + version + " and can be updated again";
      } else {
        out.line = "stopped: nothing written";
      }
      break;
  }
  return out;
}

}  // namespace flash
