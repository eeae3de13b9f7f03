// The device work of an update on its own, without a window: the checks and their verdicts, a
// whole update in a loop, and a stop between two words, against the loader simulator.
#include <gtest/gtest.h>

#include <memory>

#include "sim/LoaderSim.h"
#include "support/ImageWords.h"
#include "support/SimDeviceLinkTest.h"
#include "update/DeviceUpdate.h"
#include "update/FirmwareRecord.h"

namespace {

using update::Refusal;
using update::Verdict;

// A link to the simulated device behind COM33.
using DeviceUpdateTest = testsupport::SimDeviceLinkTest;

struct CheckCase {
  const char* behaviour;
  sim::Device device;
  Verdict::Kind kind;
  Refusal refusal;
};

// Runs the checks in order until one does not pass; returns that verdict, or the last one.
Verdict RunChecks(CP03& link) {
  std::uint32_t type = 0, serial = 0, major = 0, minor = 0;
  Verdict v = update::CheckIdentity(link);
  if (v.Passed()) v = update::CheckDeviceType(link, type);
  if (v.Passed()) v = update::CheckSerialNumber(link, serial);
  if (v.Passed()) v = update::CheckVersion(link, major, minor);
  if (v.Passed()) v = update::PrepareProgramming(link);
  return v;
}

TEST_F(DeviceUpdateTest, ChecksPassOnlyTheDevicesThisUpdateIsFor) {
  auto device = [](const char* id, int type, std::uint32_t serial, int major, int minor) {
    return sim::Device{id, static_cast<std::uint8_t>(type), serial,
                       static_cast<std::uint8_t>(major), static_cast<std::uint8_t>(minor)};
  };
  const auto pass = Verdict::Kind::Passed, refused = Verdict::Kind::Refused;
  const CheckCase cases[] = {
      {"the expected device", device("P03", 1, 312000001, 1, 4), pass, {}},
      {"version 0.9", device("P03", 1, 300000000, 0, 9), pass, {}},
      {"another loader", device("P02", 1, 312000001, 1, 4), refused, Refusal::Identity},
      {"type 2", device("P03", 2, 312000001, 1, 4), refused, Refusal::DeviceType},
      {"serial below the range", device("P03", 1, 299999999, 1, 4), refused, Refusal::SerialNumber},
      {"serial above the range", device("P03", 1, 400000000, 1, 4), refused, Refusal::SerialNumber},
      {"already 1.5", device("P03", 1, 399999999, 1, 5), refused, Refusal::Version},
      {"newer, 2.0", device("P03", 1, 312000001, 2, 0), refused, Refusal::Version},
  };
  Start();
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(c.behaviour);
    loader->SetDevice(c.device);
    ASSERT_EQ(link->Connect(1), LinkOk);
    const Verdict v = RunChecks(*link);
    EXPECT_EQ(v.kind, c.kind);
    if (v.kind == Verdict::Kind::Refused) {
      EXPECT_EQ(v.refusal, c.refusal);
    }
    EXPECT_EQ(link->State(), c.kind == pass ? LoaderProgramming : LoaderIdle);
    update::Finish(*link);
    EXPECT_FALSE(link->IsOpen());
  }
}

TEST_F(DeviceUpdateTest, SilentDeviceIsALinkFailureWithTheLinksCode) {
  sim::Options options;
  options.faults = {{sim::FaultKind::Silence, sim::FaultTarget::Command, 2}};  // the identity
  Start(options);
  ASSERT_EQ(link->Connect(1), LinkOk);
  const Verdict v = update::CheckIdentity(*link);
  EXPECT_EQ(v.kind, Verdict::Kind::LinkFailed);
  EXPECT_EQ(v.error, LinkTimeout);
}

TEST_F(DeviceUpdateTest, WholeImageInALoopThenVersion15) {
  Start();
  ASSERT_EQ(link->Connect(1), LinkOk);
  ASSERT_TRUE(RunChecks(*link).Passed());
  RecordTable table{};
  const std::size_t count = FillRecordTable(table);
  std::uint32_t written = 0;
  bool ended = false;
  for (std::size_t i = 0; i < count && !ended; ++i) {
    const update::RecordResult r = update::ProgramRecord(*link, table[i]);
    ASSERT_TRUE(r.verdict.Passed()) << "record " << i;
    written += r.written;
    ended = r.endOfImage;
  }
  EXPECT_TRUE(ended);
  EXPECT_EQ(written, 983u);
  update::Finish(*link);
  EXPECT_EQ(testsupport::WordsDifferingFromImage(loader->ProgramMemory()), 0);
  EXPECT_EQ(loader->Eeprom()[126], 1);
  EXPECT_EQ(loader->Eeprom()[127], 5);
  EXPECT_FALSE(link->IsOpen());
}

// A stop between two words leaves the record where it stands and the version as it was, so the
// device is offered the update again.
TEST_F(DeviceUpdateTest, StopBetweenTwoWordsKeepsTheOldVersion) {
  Start();
  ASSERT_EQ(link->Connect(1), LinkOk);
  ASSERT_TRUE(RunChecks(*link).Passed());
  RecordTable table{};
  FillRecordTable(table);
  int asked = 0;
  const update::RecordResult r =
      update::ProgramRecord(*link, table[0], [&asked] { return ++asked == 3; });
  EXPECT_EQ(r.verdict.kind, Verdict::Kind::Stopped);
  EXPECT_EQ(r.written, 3u);
  update::Finish(*link);
  EXPECT_EQ(loader->Eeprom()[126], 1);
  EXPECT_EQ(loader->Eeprom()[127], 4);
}

}  // namespace
