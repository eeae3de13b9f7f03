// How a device's figures are written for people, scripts and the log: versions, serial numbers,
// seconds, the time of day, the outcome's key.
#include "cli/Figures.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "cli/Words.h"
#include "link/LoaderFacts.h"

namespace flash {

using update::Outcome;
using update::Refusal;

std::string NewVersion() {
  return std::to_string(loader::kNewVersionMajor) + "." + std::to_string(loader::kNewVersionMinor);
}

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
  const update::VersionCells& after = r.versionAfter;
  switch (after.kind) {
    case update::VersionCells::Kind::Written:
    case update::VersionCells::Kind::ReadBack:
      return std::to_string(after.major) + "." + std::to_string(after.minor);
    case update::VersionCells::Kind::Unknown:
      return "?";
    case update::VersionCells::Kind::Untouched:
      break;
  }
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

std::string SecondsWords(std::uint64_t ms) {
  std::string text = Seconds(ms);
  if (French()) text.replace(text.find('.'), 1, ",");
  return text;
}

std::string Seconds(std::uint64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(ms) / 1000.0);
  return text;
}

}  // namespace flash
