// Read-back verify at the level of the update session, which the wizard's tick and the bench's run
// share: the EEPROM cells the image wrote are read back before the version goes in, and the
// version after it (written once more when it reads back otherwise). The simulator's weak cells
// (Corrupt: a write acknowledged, another value kept) make each case.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <vector>

#include "support/SimDevice.h"
#include "update/HexValidate.h"
#include "update/Session.h"

namespace {

using sim::FaultKind;
using sim::FaultTarget;
using update::VersionCells;

// Two program words, then EEPROM cells 0 and 1: the EEPROM writes are the two cells (1, 2), then
// the version's minor (3) and major (4) cells, then a rewrite of them (5, 6).
const std::vector<std::string> kImage = {":040060000102030492", ":0442000005000600AF",
                                         ":00000001FF"};

struct VerifyCase {
  const char* behaviour;
  bool verify;
  std::vector<unsigned> weakWrites;  // EEPROM writes that keep another value
  LinkError error;                   // LinkOk: the update passes
  VersionCells::Kind after;
  std::uint8_t minorHeld;  // EEPROM 127 at the end
};

void PrintTo(const VerifyCase& c, std::ostream* os) {
  *os << c.behaviour;
}

const VerifyCase kCases[] = {
    {"a cell that reads back otherwise keeps the old version",
     true,
     {2},
     LinkCellMismatch,
     VersionCells::Kind::Untouched,
     4},
    {"a version that reads back otherwise once is written again",
     true,
     {3},
     LinkOk,
     VersionCells::Kind::Written,
     5},
    {"a version that reads back otherwise twice is a failure with what was read",
     true,
     {3, 5},
     LinkVersionMismatch,
     VersionCells::Kind::ReadBack,
     static_cast<std::uint8_t>(~5)},
    {"without verify a weak cell goes unseen", false, {2}, LinkOk, VersionCells::Kind::Written, 5},
    {"a clean update reads back and passes", true, {}, LinkOk, VersionCells::Kind::Written, 5},
};

class SessionVerify : public ::testing::TestWithParam<VerifyCase> {};

TEST_P(SessionVerify, ReadsBackWhatCanBeReadBack) {
  const VerifyCase& c = GetParam();
  sim::Options options;
  for (unsigned n : c.weakWrites)
    options.faults.push_back({FaultKind::Corrupt, FaultTarget::EepromWrite, n});
  testsupport::SimDevice device(options);
  const std::vector<FirmwareRecord> slots = ToSlots(kImage);
  CP03 link;
  link.SetPortIndex(32);
  update::SessionOptions session;
  session.verify = c.verify;
  session.image = slots.data();
  update::Session s(link, session);
  update::SessionEvent verdict;
  for (int pieces = 0; s.Next() != update::Stage::Done && pieces < 100; ++pieces) {
    const update::SessionEvent event = s.Advance();
    if (event.kind == update::SessionEvent::Kind::Verdict) verdict = event;
  }
  ASSERT_EQ(verdict.kind, update::SessionEvent::Kind::Verdict);
  EXPECT_EQ(verdict.verdict.Passed(), c.error == LinkOk);
  EXPECT_EQ(verdict.verdict.error, c.error);
  EXPECT_EQ(s.VersionAfter().kind, c.after);
  const auto eeprom = device.Sim().Eeprom();
  EXPECT_EQ(eeprom[127], c.minorHeld);
  if (c.after == VersionCells::Kind::ReadBack) {
    EXPECT_EQ(s.VersionAfter().minor, eeprom[127]) << "the failure says what the device holds";
  }
  // Verify reads (0x89) come only after the words, and only when asked for.
  const auto host = device.Sim().HostBytes();
  const auto lastWord = std::find(host.rbegin(), host.rend(), 0x8D).base();
  EXPECT_EQ(std::find(lastWord, host.end(), 0x89) != host.end(), c.verify);
}

INSTANTIATE_TEST_SUITE_P(Cases, SessionVerify, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<VerifyCase>& info) {
                           std::string name;
                           for (const char* p = info.param.behaviour; *p; ++p)
                             name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           return name;
                         });

}  // namespace
