#include "bench/LinkUpdate.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <utility>

#include "update/FirmwareRecord.h"

namespace {

constexpr std::uint32_t kNewMajor = 1;
constexpr std::uint32_t kNewMinor = 5;

// The words of one record: program words or EEPROM bytes, whatever its address class says.
LinkError WriteRecord(CP03& link, const DecodedRecord& record, LinkUpdateResult& result) {
  switch (record.Class()) {
    case AddressClass::ProgramMemory:
      for (std::uint32_t k = 0; k < record.wordCount; ++k) {
        if (link.WriteProgramWord(record.wordAddress + k,
                                  static_cast<std::uint16_t>(record.DataWord(k))) != LinkOk)
          return link.LastError();
        ++result.programWords;
      }
      return LinkOk;
    case AddressClass::Eeprom:
      for (std::uint32_t k = 0; k < record.wordCount; ++k) {
        if (link.WriteEepromByte(EepromCellOf(record.wordAddress + k), record.EepromByte(k)) !=
            LinkOk)
          return link.LastError();
        ++result.eepromBytes;
      }
      return LinkOk;
    case AddressClass::Skipped:
      return LinkOk;
  }
  return LinkOk;
}

// Every record up to the end record, which writes the version; failedAt names the failure.
LinkError WriteImage(CP03& link, LinkUpdateResult& result) {
  RecordTable table{};
  const std::size_t count = FillRecordTable(table);
  for (std::size_t i = 0; i < count; ++i) {
    const DecodedRecord record = DecodeRecord(table[i]);
    if (record.recordType == 1) {
      if (link.WriteVersion(kNewMajor, kNewMinor) != LinkOk) result.failedAt = "version write";
      return link.LastError();
    }
    if (record.recordType == 4) continue;
    if (LinkError error = WriteRecord(link, record, result)) {
      result.failedAt = "record " + std::to_string(i + 1);
      return error;
    }
  }
  result.failedAt = "image without an end record";
  return LinkBadAnswer;
}

}  // namespace

LinkUpdateResult RunLinkUpdate(CP03& link, std::int32_t connectSeconds) {
  LinkUpdateResult result;
  const auto start = std::chrono::steady_clock::now();
  std::uint32_t type = 0, serial = 0, major = 0, minor = 0;
  const std::pair<const char*, std::function<LinkError()>> steps[] = {
      {"connect", [&] { return link.Connect(connectSeconds); }},
      {"identity", [&] { return link.CheckIdentity(); }},
      {"device type", [&] { return link.ReadDeviceType(type); }},
      {"serial number", [&] { return link.ReadSerialNumber(serial); }},
      {"version", [&] { return link.ReadVersion(major, minor); }},
      {"unlock", [&] { return link.Unlock(); }},
      {"programming mode", [&] { return link.EnterProgramming(); }},
      {"image", [&] { return WriteImage(link, result); }},
      {"leave programming", [&] { return link.LeaveProgramming(); }},
      {"release", [&] { return link.Disconnect(); }},
      {"close", [&] { return link.Close(); }},
  };
  // Each step in turn until one fails; its name goes with the failure unless it named a finer
  // place itself (the image names the record).
  for (const auto& [name, run] : steps) {
    result.error = run();
    if (result.error == LinkOk) continue;
    if (result.failedAt.empty()) result.failedAt = name;
    break;
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
