#include "bench/LinkUpdate.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <utility>

#include "update/DeviceUpdate.h"
#include "update/FirmwareRecord.h"

namespace {

// The verdict's link code, or LinkWrongIdentity-like codes for a refusal: a refused device is a
// failed run here, and its reason goes into failedAt.
LinkError CodeOf(const update::Verdict& v) {
  return v.kind == update::Verdict::Kind::LinkFailed ? v.error : LinkBadAnswer;
}

// Every record up to the end record, which writes the version; failedAt names the failure.
LinkError WriteImage(CP03& link, LinkUpdateResult& result) {
  RecordTable table{};
  const std::size_t count = FillRecordTable(table);
  for (std::size_t i = 0; i < count; ++i) {
    const bool eeprom = DecodeRecord(table[i]).Class() == AddressClass::Eeprom;
    const update::RecordResult r = update::ProgramRecord(link, table[i]);
    (eeprom ? result.eepromBytes : result.programWords) += r.written;
    if (!r.verdict.Passed()) {
      result.failedAt = "record " + std::to_string(i + 1);
      return CodeOf(r.verdict);
    }
    if (r.endOfImage) return LinkOk;
  }
  result.failedAt = "image without an end record";
  return LinkBadAnswer;
}

}  // namespace

// The update piece's steps in the wizard's order, without its timer.
LinkUpdateResult RunLinkUpdate(CP03& link, std::int32_t connectSeconds) {
  LinkUpdateResult result;
  const auto start = std::chrono::steady_clock::now();
  std::uint32_t type = 0, serial = 0, major = 0, minor = 0;
  auto check = [](const update::Verdict& v) { return v.Passed() ? LinkOk : CodeOf(v); };
  const std::pair<const char*, std::function<LinkError()>> steps[] = {
      {"connect", [&] { return link.Connect(connectSeconds); }},
      {"identity", [&] { return check(update::CheckIdentity(link)); }},
      {"device type", [&] { return check(update::CheckDeviceType(link, type)); }},
      {"serial number", [&] { return check(update::CheckSerialNumber(link, serial)); }},
      {"version", [&] { return check(update::CheckVersion(link, major, minor)); }},
      {"programming mode", [&] { return check(update::PrepareProgramming(link)); }},
      {"image", [&] { return WriteImage(link, result); }},
  };
  // Each step in turn until one fails; its name goes with the failure unless it named a finer
  // place itself (the image names the record). The finish runs in every case.
  for (const auto& [name, run] : steps) {
    result.error = run();
    if (result.error == LinkOk) continue;
    if (result.failedAt.empty()) result.failedAt = name;
    break;
  }
  update::Finish(link);
  if (result.error == LinkOk && link.IsOpen()) {
    result.error = link.LastError();
    result.failedAt = "close";
  }
  result.milliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return result;
}

std::string DescribeLinkUpdate(const LinkUpdateResult& result) {
  char text[256];
  std::snprintf(text, sizeof text,
                "update: %.1f ms, %u program words, %u EEPROM bytes, result %d%s%s",
                result.milliseconds, static_cast<unsigned>(result.programWords),
                static_cast<unsigned>(result.eepromBytes), static_cast<int>(result.error),
                result.failedAt.empty() ? "" : " at ", result.failedAt.c_str());
  return text;
}
