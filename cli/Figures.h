#pragma once
// How a device's figures are written for people, scripts and the log: the version this program
// installs, versions, serial numbers, seconds, the time of day, the outcome's key.
#include <cstdint>
#include <string>

#include "update/UpdateRun.h"

namespace flash {

// "1.5", from the loader's facts.
std::string NewVersion();
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
// "3.4" (C locale, one decimal).
std::string Seconds(std::uint64_t ms);
// The same for people: "3,4" in French.
std::string SecondsWords(std::uint64_t ms);

}  // namespace flash
