// What orb42-flash reports of a device (its result line, its JSON, its CSV line) against what the
// device really holds afterwards (the simulator's cells), over the faults a line can make at each
// point of an update: a record is a promise, also when the update failed.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "support/FlashFixture.h"

namespace {

using namespace testsupport;
using sim::FaultKind;
using sim::FaultTarget;

// Command bytes of one update by orb42-flash, counted from 1: the call, the identity, the type
// twice, the serial number's four cells twice, the version's two cells twice, the switch to the
// faster line, unlock, programming mode, then the words and the version cells.
constexpr unsigned kIdentity = 2, kType = 3, kSerialCell122 = 7, kVersion = 14, kSwitch = 17,
                   kUnlock = 18, kProgramming = 19;

struct RecordCase {
  const char* what;
  sim::Fault fault;
  std::uint32_t serialNumber = 312000001;
};

const RecordCase kCases[] = {
    {"no identity", {FaultKind::Silence, FaultTarget::Command, kIdentity}},
    {"garbled identity", {FaultKind::WrongByte, FaultTarget::Command, kIdentity}},
    {"garbled type", {FaultKind::WrongByte, FaultTarget::Command, kType}},
    {"late serial number", {FaultKind::Late, FaultTarget::Command, kSerialCell122, 2300}},
    {"garbled serial number", {FaultKind::WrongByte, FaultTarget::Command, kSerialCell122}},
    // One digit of 299999999's cell 122 garbled into another digit reads 301048575, in range.
    {"garbled out-of-range serial number",
     {FaultKind::WrongByte, FaultTarget::Command, kSerialCell122},
     299999999},
    {"garbled version", {FaultKind::WrongByte, FaultTarget::Command, kVersion}},
    {"cable pulled at the version", {FaultKind::HangUp, FaultTarget::Command, kVersion}},
    {"no answer to the switch", {FaultKind::Silence, FaultTarget::Command, kSwitch}},
    {"no unlock", {FaultKind::Silence, FaultTarget::Command, kUnlock}},
    {"cable pulled entering programming",
     {FaultKind::HangUp, FaultTarget::Command, kProgramming}},
    {"call refused", {FaultKind::Refuse, FaultTarget::Call, 1}},
    {"silent word", {FaultKind::Silence, FaultTarget::ProgramWord, 10}},
    {"refused word", {FaultKind::WrongByte, FaultTarget::ProgramWord, 10}},
    {"word answered after the purge", {FaultKind::Late, FaultTarget::ProgramWord, 10, 2300}},
    {"word answered too late to wait for", {FaultKind::Late, FaultTarget::ProgramWord, 10, 4500}},
    {"cable pulled at a word", {FaultKind::HangUp, FaultTarget::ProgramWord, 500}},
    {"silent minor version cell", {FaultKind::Silence, FaultTarget::EepromWrite, 1}},
    {"refused minor version cell", {FaultKind::WrongByte, FaultTarget::EepromWrite, 1}},
    {"late minor version cell", {FaultKind::Late, FaultTarget::EepromWrite, 1, 2300}},
    {"cable pulled at the minor version cell", {FaultKind::HangUp, FaultTarget::EepromWrite, 1}},
    {"silent major version cell", {FaultKind::Silence, FaultTarget::EepromWrite, 2}},
    {"refused major version cell", {FaultKind::WrongByte, FaultTarget::EepromWrite, 2}},
    {"late major version cell", {FaultKind::Late, FaultTarget::EepromWrite, 2, 2300}},
    {"cable pulled at the major version cell", {FaultKind::HangUp, FaultTarget::EepromWrite, 2}},
};

std::string VersionOf(const std::vector<std::uint8_t>& eeprom) {
  return std::to_string(eeprom[126]) + "." + std::to_string(eeprom[127]);
}

std::uint32_t SerialOf(const std::vector<std::uint8_t>& eeprom) {
  return eeprom[120] | eeprom[121] << 8 | eeprom[122] << 16 |
         static_cast<std::uint32_t>(eeprom[123]) << 24;
}

// The CSV's lines by port label ("COM33 (ttyUSB0)"), split at the commas (no field here holds one
// that matters: the cause, quoted, comes after the versions).
std::map<std::string, std::vector<std::string>> CsvByPort(const std::string& path) {
  std::map<std::string, std::vector<std::string>> out;
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::stringstream split(line);
    for (std::string field; fields.size() < 6 && std::getline(split, field, ',');)
      fields.push_back(field);
    if (fields.size() == 6) out[fields[1]] = fields;
  }
  return out;
}

// Every case on a port of its own, all in one run: each device's result, JSON and CSV, against
// its cells. Whatever failed, a version said is the version the device holds, a serial number
// said is the device's, a device that holds the whole image and 1.5 is reported updated, and an
// updated device holds them.
TEST_F(FlashTest, EveryRecordSaysWhatTheDeviceHoldsWhateverTheLineDid) {
  std::vector<sim::Options> ports = Ports(std::size(kCases));
  for (std::size_t i = 0; i < std::size(kCases); ++i) {
    ports[i].faults = {kCases[i].fault};
    ports[i].device.serialNumber = kCases[i].serialNumber;
  }
  Start(ports);
  const std::string log = dir + "/bench.csv";
  const auto run = RunFlash({"update", "--all", "--json", "--wait", "5", "--log", log});
  const std::vector<Json> results = Events(JsonLines(run.out), "result");
  ASSERT_EQ(results.size(), std::size(kCases)) << run.out << run.err;
  const auto csv = CsvByPort(log);

  for (const Json& r : results) {
    const std::size_t port = std::stoul(r["port"].get<std::string>().substr(3)) - 33;
    ASSERT_LT(port, std::size(kCases));
    const RecordCase& c = kCases[port];
    SCOPED_TRACE(c.what);
    const sim::LoaderSim::FinishedDevice device = bank->Port(port).CurrentDevice();
    const std::string holds = VersionOf(device.eeprom);
    const bool wholeImage =
        WordsDiffering(EmbeddedImageWords(), device.program) == 0 && holds == "1.5";
    EXPECT_EQ(r["outcome"] == "updated", wholeImage) << r.dump();
    if (r.contains("serial_number")) {
      EXPECT_EQ(r["serial_number"], SerialOf(device.eeprom));
    }
    if (r.contains("version_before")) {
      EXPECT_EQ(r["version_before"], "1.4");
    }
    if (r.contains("version")) {
      // The line answered again in every case: the version is never left unknown here.
      ASSERT_FALSE(r["version"].is_null()) << r.dump();
      EXPECT_EQ(r["version"], holds) << r.dump();
    }
    if (c.serialNumber == 299999999) {
      EXPECT_NE(r["outcome"], "updated");
      EXPECT_TRUE(NothingWritten(port));
    }
    const auto line =
        csv.find("COM" + std::to_string(33 + port) + " (ttyUSB" + std::to_string(port) + ")");
    ASSERT_NE(line, csv.end());
    EXPECT_EQ(line->second[4], r.contains("version") ? r["version"].get<std::string>() : "");
    EXPECT_EQ(line->second[5], r["outcome"]);
  }
}

}  // namespace
