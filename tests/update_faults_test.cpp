// Nothing is lost: wherever the line or the device fails, the wizard shows the outcome, the user
// answers Yes (or OK) and tries again, and the device ends with the whole image and version 1.5.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <ostream>
#include <thread>

#include "support/SimWizard.h"
#include "wizard/WizardMessages.h"

namespace {

using sim::FaultKind;
using sim::FaultTarget;

// Command bytes of one clean update, counted from 1: the call, identity, the type twice, the
// serial number's four cells twice, the version's two cells twice, unlock, programming, then the
// 983 words and the two version cells (aimed at by their own ordinals).
constexpr unsigned kIdentityCommand = 2, kTypeCommand = 3, kSerialCommand = 5, kVersionCommand = 13,
                   kUnlockCommand = 17, kProgrammingCommand = 18;
constexpr unsigned kMinorVersionCell = 1, kMajorVersionCell = 2;  // EEPROM writes

struct Case {
  const char* behaviour;
  std::vector<sim::Fault> faults;
  std::vector<int> outcomes;  // the messages other than WM_STEP_DONE, in order
  int refusal = -1;           // the wParam of a WM_DEVICE_REFUSED among them
};

const Case kCases[] = {
    {"the call refused once costs one attempt", {{FaultKind::Refuse, FaultTarget::Call, 1}}, {}},
    {"the cable unplugged at the call costs one attempt",
     {{FaultKind::HangUp, FaultTarget::Call, 1}},
     {}},
    {"no identity",
     {{FaultKind::Silence, FaultTarget::Command, kIdentityCommand}},
     {WM_LINK_FAILED}},
    // A digit garbled into another digit: read again, the identity is "P03" after all. The
    // device is not called another one; the line is at fault.
    {"a garbled identity is a transmission failure, not another device",
     {{FaultKind::WrongByte, FaultTarget::Command, kIdentityCommand}},
     {WM_LINK_FAILED}},
    {"a garbled serial number digit is a transmission failure",
     {{FaultKind::WrongByte, FaultTarget::Command, kSerialCommand + 2}},
     {WM_LINK_FAILED}},
    {"no device type",
     {{FaultKind::Silence, FaultTarget::Command, kTypeCommand}},
     {WM_LINK_FAILED}},
    {"no serial number",
     {{FaultKind::Silence, FaultTarget::Command, kSerialCommand}},
     {WM_LINK_FAILED}},
    {"no version", {{FaultKind::Silence, FaultTarget::Command, kVersionCommand}}, {WM_LINK_FAILED}},
    {"unlock refused",
     {{FaultKind::WrongByte, FaultTarget::Command, kUnlockCommand}},
     {WM_LINK_FAILED}},
    {"cable unplugged entering programming",
     {{FaultKind::HangUp, FaultTarget::Command, kProgrammingCommand}},
     {WM_LINK_FAILED}},
    {"cable unplugged at the first word",
     {{FaultKind::HangUp, FaultTarget::ProgramWord, 1}},
     {WM_LINK_FAILED}},
    {"cable unplugged in the middle of a record",
     {{FaultKind::HangUp, FaultTarget::ProgramWord, 500}},
     {WM_LINK_FAILED}},
    {"cable unplugged at the last word",
     {{FaultKind::HangUp, FaultTarget::ProgramWord, 983}},
     {WM_LINK_FAILED}},
    {"a wrong answer to a word is repeated by the link",
     {{FaultKind::WrongByte, FaultTarget::ProgramWord, 500}},
     {}},
    // The late answer must not be read as the answer to the repeat: every later answer would
    // come one word late, and the refusal of word 302 would pass for word 303's acknowledgement.
    {"a late answer to a word does not hide a refused word after it",
     {{FaultKind::Late, FaultTarget::ProgramWord, 300, 1500},
      {FaultKind::WrongByte, FaultTarget::ProgramWord, 302}},
     {}},
    {"cable unplugged at the minor version cell",
     {{FaultKind::HangUp, FaultTarget::EepromWrite, kMinorVersionCell}},
     {WM_LINK_FAILED}},
    // The minor cell is written first: the device already reads 1.5 with every word in place.
    // The wizard calls it again, reads the version back, and the update is done.
    {"cable unplugged at the major version cell is an update done",
     {{FaultKind::HangUp, FaultTarget::EepromWrite, kMajorVersionCell}},
     {}},
    {"a late answer to the minor version cell is an update done",
     {{FaultKind::Late, FaultTarget::EepromWrite, kMinorVersionCell, 2300}},
     {}},
};

std::vector<int> Outcomes(const std::vector<testsupport::PostedMessage>& messages) {
  std::vector<int> outcomes;
  for (const auto& m : messages)
    if (m.message != WM_STEP_DONE) outcomes.push_back(m.message);
  return outcomes;
}

// CTest lists each case by its behaviour rather than by the bytes of the structure.
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.behaviour;
}

class UpdateFaults : public ::testing::TestWithParam<Case> {};

TEST_P(UpdateFaults, DeviceEndsUpdatedAfterTheUserTriesAgain) {
  const Case& c = GetParam();
  sim::Options options;
  options.faults = c.faults;
  options.hangUpDownMs = 200;
  testsupport::SimWizard w(options);
  TFormMj& f = w.Form();
  for (int i = 0; i < 4; ++i) w.Ui().Answer(wizard::DialogAnswer::Yes);
  // A user answering Yes goes through steps 5 to 7 again after every failure.
  for (int round = 0; round < 3 && !w.Ui().Closed(); ++round) {
    w.GoToStep7();
    w.TickUntil([&] { return f.WizardStep == 10 && !f.TimerGestionSerie->Enabled(); });
    const bool upToDate = !w.Messages().empty() &&
                          w.Messages().back().message == WM_DEVICE_REFUSED &&
                          w.Messages().back().wParam == RefusedVersion;
    if (f.WizardStep == 10 || upToDate) break;
  }
  EXPECT_EQ(Outcomes(w.Messages()), c.outcomes);
  for (const auto& m : w.Messages()) {
    if (m.message == WM_DEVICE_REFUSED) {
      EXPECT_EQ(m.wParam, c.refusal);
    }
    if (m.message == WM_LINK_FAILED) {
      EXPECT_NE(m.wParam, 0);  // the failure's own code
    }
  }
  EXPECT_EQ(w.Ui().Dialogs().size(), c.outcomes.size());  // one dialog per failure
  EXPECT_EQ(testsupport::WordsDifferingFromImage(w.Sim().ProgramMemory()), 0);
  const auto eeprom = w.Sim().Eeprom();
  EXPECT_EQ(eeprom[126], 1);
  EXPECT_EQ(eeprom[127], 5);
  EXPECT_FALSE(f.Link.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Faults, UpdateFaults, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           std::string name;
                           for (const char* p = info.param.behaviour; *p; ++p)
                             name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           return name;
                         });

// The cable pulled while the wizard waits between two calls on step 7, and plugged back in two
// seconds later: the next call gives the dead port up, and the one after finds the device.
TEST(UpdateFaultsConnect, CableUnpluggedBetweenTwoCallsIsFoundAgain) {
  sim::Options options;
  options.switchOnDelayMs = 3000;  // the user switches the remote on a little late
  testsupport::SimWizard w(options);
  TFormMj& f = w.Form();
  w.GoToStep7();
  w.Tick();  // the first call goes unanswered
  ASSERT_EQ(f.WizardStep, 7);
  w.Sim().Unplug(2000);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  w.TickUntil([&] { return f.WizardStep == 10 && !f.TimerGestionSerie->Enabled(); });
  EXPECT_EQ(f.WizardStep, 10);
  EXPECT_EQ(Outcomes(w.Messages()), std::vector<int>{});
  EXPECT_EQ(testsupport::WordsDifferingFromImage(w.Sim().ProgramMemory()), 0);
}

TEST(UpdateFaultsVersion, FailedVersionWriteIsReportedNotCelebrated) {
  sim::Options options;
  options.faults = {{FaultKind::WrongByte, FaultTarget::EepromWrite, kMinorVersionCell}};
  testsupport::SimWizard w(options);
  TFormMj& f = w.Form();
  w.GoToStep7();
  w.TickUntil([&] { return !f.TimerGestionSerie->Enabled(); });
  ASSERT_EQ(Outcomes(w.Messages()), std::vector<int>{WM_LINK_FAILED});
  EXPECT_EQ(w.Messages().back().wParam, 100003);  // the loader's wrong answer
  EXPECT_NE(f.WizardStep, 10);
  // The device keeps a version that lets the next attempt update it.
  EXPECT_EQ(w.Sim().Eeprom()[126], 1);
  EXPECT_EQ(w.Sim().Eeprom()[127], 4);
}

}  // namespace
