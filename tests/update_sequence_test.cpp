// The update sequence against the loader simulator, one tick at a time: the connection attempts,
// the device checks with their refusals, the records, the finish.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/HexWords.h"
#include "support/SimWizard.h"
#include "update/HexValidate.h"
#include "wizard/WizardMessages.h"

namespace {

using testsupport::SimWizard;

std::string Remark(SimWizard& w) {
  return w.Ui().Label(wizard::layout::LabelBarreProgression).Text();
}

TEST(UpdateSequence, WholeUpdateWritesEveryWordThenVersion15) {
  SimWizard w;
  TFormMj& f = w.Form();
  w.GoToStep7();
  w.TickUntil([&] { return f.WizardStep == 9; });
  f.TimerGestionSerieTimer();
  const std::string first = Remark(w);
  w.TickUntil([&] { return f.UpdateSession.RecordIndex == 131; });
  f.TimerGestionSerieTimer();  // the end record
  const std::string last = Remark(w);
  w.TickUntil([&] { return f.WizardStep == 10 && !f.TimerGestionSerie->Enabled(); });
  ASSERT_EQ(f.WizardStep, 10);
  EXPECT_EQ(testsupport::WordsDifferingFromImage(w.Sim().ProgramMemory()), 0);
  const auto eeprom = w.Sim().Eeprom();
  EXPECT_EQ(eeprom[126], 1);
  EXPECT_EQ(eeprom[127], 5);
  EXPECT_EQ(f.ProgressBarProgrammation->Maximum(), 132);
  // The text counts the records sent before each one; the bar is one ahead.
  EXPECT_EQ(first, "Avancement de la mise à jour : 0.0 %");
  EXPECT_EQ(last, "Avancement de la mise à jour : 99.2 %");
  EXPECT_FALSE(f.Link.IsOpen());  // step 10's finish released and closed the link
  EXPECT_TRUE(w.Ui().Dialogs().empty());
  ASSERT_EQ(w.Messages().size(), 3u);
  for (const auto& m : w.Messages()) EXPECT_EQ(m.message, WM_STEP_DONE);
  // The check lines stay above the progress text.
  EXPECT_EQ(w.Ui().Label(wizard::layout::LabelLigne2).Text(),
            "Le numéro de série de l'appareil est le : 0312000001");
}

// The end record's tick posts WM_STEP_DONE and leaves the timer on: the message, handed out
// before the next tick as every front end's loop does, moves the wizard to step 10, and that
// next tick is the finish. (The Qt front end's own ordering is checked on its real loop.)
TEST(UpdateSequence, EndRecordLeavesTheTimerOnAndTheNextTickFinishes) {
  SimWizard w;
  TFormMj& f = w.Form();
  w.GoToStep7();
  w.TickUntil([&] { return f.WizardStep == 9 && f.UpdateSession.RecordIndex == 131; });
  f.TimerGestionSerieTimer();  // the end record, as the timer fires it
  EXPECT_TRUE(f.TimerGestionSerie->Enabled());
  EXPECT_EQ(f.WizardStep, 9);
  EXPECT_EQ(w.Ui().Pending(), 1u);
  w.Tick();
  EXPECT_EQ(f.WizardStep, 10);
  EXPECT_FALSE(f.TimerGestionSerie->Enabled());
  EXPECT_FALSE(f.Link.IsOpen());
}

struct Check {
  const char* behaviour;
  sim::Device device;
  int refusal;  // -1: passes every check
};

TEST(UpdateSequence, DeviceChecksRefuseWhatMayNotBeUpdated) {
  auto device = [](const char* id, int type, std::uint32_t serial, int major, int minor) {
    return sim::Device{id, static_cast<std::uint8_t>(type), serial,
                       static_cast<std::uint8_t>(major), static_cast<std::uint8_t>(minor)};
  };
  const Check checks[] = {
      {"identity P02", device("P02", 1, 312000001, 1, 4), RefusedIdentity},
      {"device type 0", device("P03", 0, 312000001, 1, 4), RefusedDeviceType},
      {"device type 2", device("P03", 2, 312000001, 1, 4), RefusedDeviceType},
      {"serial 299999999", device("P03", 1, 299999999, 1, 4), RefusedSerialNumber},
      {"serial 300000000", device("P03", 1, 300000000, 1, 4), -1},
      {"serial 399999999", device("P03", 1, 399999999, 1, 4), -1},
      {"serial 400000000", device("P03", 1, 400000000, 1, 4), RefusedSerialNumber},
      {"version 0.0", device("P03", 1, 312000001, 0, 0), -1},
      {"version 0.9", device("P03", 1, 312000001, 0, 9), -1},
      {"version 1.4", device("P03", 1, 312000001, 1, 4), -1},
      {"version 1.5", device("P03", 1, 312000001, 1, 5), RefusedVersion},
      {"version 1.6", device("P03", 1, 312000001, 1, 6), RefusedVersion},
      {"version 2.0", device("P03", 1, 312000001, 2, 0), RefusedVersion},
  };
  SimWizard w;
  TFormMj& f = w.Form();
  for (const Check& c : checks) {
    SCOPED_TRACE(c.behaviour);
    w.Sim().SetDevice(c.device);
    w.Ui().ClearHistory();
    f.SerialNumber = 0;
    w.Ui().Answer(wizard::DialogAnswer::Yes);
    w.GoToStep7();
    w.TickUntil([&] { return f.WizardStep == 9 || !w.Ui().Dialogs().empty(); });
    if (c.refusal < 0) {
      EXPECT_EQ(f.WizardStep, 9);
      EXPECT_TRUE(w.Ui().Dialogs().empty());
      // Leave this device as a failure would, for the next case.
      f.TimerGestionSerie->SetEnabled(false);
      f.Link.Close();
      f.WizardStep = 5;
      f.PreviousStep();
      continue;
    }
    ASSERT_FALSE(w.Messages().empty());
    EXPECT_EQ(w.Messages().back().message, WM_DEVICE_REFUSED);
    EXPECT_EQ(w.Messages().back().wParam, c.refusal);
    EXPECT_EQ(w.Ui().Dialogs().size(), 1u);
    EXPECT_EQ(f.WizardStep, 4);  // Yes: back to step 4 for another device
    EXPECT_FALSE(f.Link.IsOpen());
    if (c.refusal == RefusedDeviceType) {
      EXPECT_EQ(f.SerialNumber, 0u);  // the serial number was not read
      EXPECT_FALSE(w.Ui().Label(wizard::layout::LabelLigne2).Visible());
    }
    if (c.refusal == RefusedSerialNumber && c.device.serialNumber == 299999999) {
      EXPECT_EQ(w.Ui().Label(wizard::layout::LabelLigne2).Text(),
                "Le numéro de série de l'appareil est le : 0299999999");
    }
  }
}

TEST(UpdateSequence, PortThatCannotBeOpenedGivesUpAfter20AttemptsWithOneMessage) {
  SimWizard w;
  TFormMj& f = w.Form();
  w.GoToStep7();
  setenv("ORB42_DEV_DIR", "/nonexistent-orb42-dev", 1);
  std::vector<std::string> countdown;
  for (int i = 0; i < 25 && f.TimerGestionSerie->Enabled(); ++i) {
    w.Tick();
    countdown.push_back(Remark(w));
  }
  ASSERT_EQ(countdown.size(), 20u);
  EXPECT_EQ(countdown.front(),
            "Le temps restant pour allumer votre Télécommande ORB42TLX est de 28.5 s");
  EXPECT_EQ(countdown.back(),
            "Le temps restant pour allumer votre Télécommande ORB42TLX est de 0.0 s");
  ASSERT_EQ(w.Messages().size(), 1u);
  EXPECT_EQ(w.Messages()[0].message, WM_CONNECT_FAILED);
  EXPECT_FALSE(f.Link.IsOpen());
  ASSERT_EQ(w.Ui().Dialogs().size(), 1u);
  EXPECT_EQ(w.Ui().Dialogs()[0].buttons, wizard::DialogButtons::Ok);
  EXPECT_EQ(f.WizardStep, 4);
  EXPECT_FALSE(f.TimerGestionSerie->Enabled());
}

TEST(UpdateSequence, SilentDeviceCountsAsFailedAttemptsAndTheLastClosesThePort) {
  sim::Options options;
  options.switchOnDelayMs = 600000;  // never switched on during the test
  SimWizard w(options);
  TFormMj& f = w.Form();
  w.GoToStep7();
  f.ProgressBarProgrammation->SetPosition(18);  // eighteen attempts have failed already
  w.Tick();
  EXPECT_TRUE(f.Link.IsOpen());  // a silent loader leaves the port open between attempts
  EXPECT_TRUE(w.Messages().empty());
  w.Tick();
  ASSERT_EQ(w.Messages().size(), 1u);
  EXPECT_EQ(w.Messages()[0].message, WM_CONNECT_FAILED);
  EXPECT_FALSE(f.Link.IsOpen());
  EXPECT_EQ(f.WizardStep, 4);
}

TEST(UpdateSequence, LoaderAnsweringOnTheLastAttemptLeadsToTheChecks) {
  SimWizard w;
  TFormMj& f = w.Form();
  w.GoToStep7();
  f.ProgressBarProgrammation->SetPosition(19);
  w.Tick();
  EXPECT_EQ(f.WizardStep, 8);
  ASSERT_EQ(w.Messages().size(), 1u);
  EXPECT_EQ(w.Messages()[0].message, WM_STEP_DONE);
}

TEST(UpdateSequence, ImageWithoutEndRecordIsATransmissionFailure) {
  SimWizard w;
  TFormMj& f = w.Form();
  w.GoToStep7();
  w.TickUntil([&] { return f.WizardStep == 9; });
  w.Ui().Answer(wizard::DialogAnswer::Yes);
  // Two data records and no end record.
  f.ProgressBarProgrammation->SetMaximum(2);
  f.UpdateSession.RecordTable[2] = nullptr;
  w.Tick();
  w.Tick();
  EXPECT_TRUE(w.Messages().back().message == WM_STEP_DONE);  // step 8's, nothing new yet
  w.Tick();
  ASSERT_EQ(w.Messages().back().message, WM_LINK_FAILED);
  EXPECT_EQ(w.Messages().back().wParam, 0);
  EXPECT_FALSE(f.TimerGestionSerie->Enabled());
  EXPECT_EQ(f.WizardStep, 4);
}

// A type-4 record only sets the upper address, which the loader has no use for: whatever its
// address field says, nothing of it is written. Here the field names word 48, which the data
// record after it leaves alone, so the record's two bytes written as data would show there.
TEST(UpdateSequence, TypeFourRecordWritesNothingWhateverItsAddressField) {
  const std::string text =
      ":0200600400009A\n"      // type 4, address field 0x0060 (word 48), upper address 0000
      ":040062000102030490\n"  // words 49 and 50
      ":00000001FF\n";
  const HexCheck check = CheckHexText(text);
  ASSERT_TRUE(check.ok) << check.error.text;
  const std::vector<FirmwareRecord> slots = ToSlots(check.records);
  SimWizard w;
  TFormMj& f = w.Form();
  f.UpdateSession.SetImage(slots.data());
  ASSERT_TRUE(w.RunUpdate());
  EXPECT_TRUE(w.Ui().Dialogs().empty());
  EXPECT_EQ(f.ProgressBarProgrammation->Maximum(), 3);
  const sim::FinishedDevice device = w.Sim().CurrentDevice();
  EXPECT_FALSE(device.programWritten[48]);
  EXPECT_EQ(std::count(device.programWritten.begin(), device.programWritten.end(), true), 2);
  EXPECT_EQ(testsupport::WordsDiffering(testsupport::HexProgramWords(text), device.program), 0);
  EXPECT_EQ(device.eeprom[126], 1);
  EXPECT_EQ(device.eeprom[127], 5);
}

TEST(UpdateSequence, TicksOnStep6ChangeNothing) {
  SimWizard w;
  TFormMj& f = w.Form();
  while (f.WizardStep < 6) f.NextStep();
  w.Sim().ClearTranscript();
  for (int i = 0; i < 3; ++i) w.Tick();
  EXPECT_EQ(f.WizardStep, 6);
  EXPECT_TRUE(w.Sim().HostBytes().empty());
  EXPECT_FALSE(f.Link.IsOpen());
}

}  // namespace
