// The wizard's port list: its order, its refresh from the serial-device map, the reading of an
// entry as a port index, and the step-5 list box that keeps the user's selection.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/FakeSysfs.h"
#include "support/WizardEnv.h"
#include "ui/memory/MemoryWizard.h"
#include "update/PortList.h"

using platform::RegistryValue;
using testsupport::FakeSysfs;
using Key = std::optional<std::vector<RegistryValue>>;
using Entries = std::vector<std::string>;

namespace {

// ---------------------------------------------------------------------------------------------
// The sorted list

TEST(PortList, SortsIgnoringCaseAndHoldsEqualTextsOnce) {
  PortList list;
  EXPECT_EQ(list.Add("COM2"), 0);
  EXPECT_EQ(list.Add("COM10"), 0);
  list.Add("COM1 : TALVIRE");
  EXPECT_EQ(list.Add("com2"), 2);  // already held as "COM2"
  list.Add("abc");
  list.Add("ABD");

  EXPECT_EQ(list.Entries(), (Entries{"abc", "ABD", "COM1 : TALVIRE", "COM10", "COM2"}));
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.At(4), "COM2");
  EXPECT_EQ(list.IndexOf("com10"), 3);
  EXPECT_EQ(list.IndexOf("Abd"), 1);
  EXPECT_EQ(list.IndexOf("COM3"), -1);
  EXPECT_EQ(list.IndexOf(""), -1);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.IndexOf("COM2"), -1);
}

// ---------------------------------------------------------------------------------------------
// Refresh from map values

const RegistryValue kSerial0{"\\Device\\Serial0", "COM1"};
const RegistryValue kSerial1{"\\Device\\Serial1", "COM2"};
const RegistryValue kBridge0{"\\Device\\Silabser0", "COM5"};

TEST(RefreshPortList, BridgeIsMarkedAndPreferredAndASecondRefreshChangesNothing) {
  PortList list;
  std::string preferred;
  const Key key = std::vector<RegistryValue>{kSerial0, kBridge0};

  EXPECT_TRUE(RefreshPortList(list, preferred, key));
  EXPECT_EQ(list.Entries(), (Entries{"COM1", "COM5 : TALVIRE"}));
  EXPECT_EQ(preferred, "COM5 : TALVIRE");

  preferred = "stale";
  EXPECT_FALSE(RefreshPortList(list, preferred, key));
  EXPECT_EQ(preferred, "COM5 : TALVIRE");  // worked out again by every refresh
  EXPECT_EQ(list.Entries(), (Entries{"COM1", "COM5 : TALVIRE"}));
}

TEST(RefreshPortList, OnlyTheExactCaseOfTheBridgeNameCounts) {
  PortList list;
  std::string preferred;
  const Key key = std::vector<RegistryValue>{
      {"\\Device\\SILABSER0", "COM4"}, {"\\Device\\silabser1", "COM6"}, {"XSilabserY", "COM8"}};
  EXPECT_TRUE(RefreshPortList(list, preferred, key));
  EXPECT_EQ(list.Entries(), (Entries{"COM4", "COM6", "COM8 : TALVIRE"}));
  EXPECT_EQ(preferred, "COM8 : TALVIRE");
}

TEST(RefreshPortList, FirstEnumeratedBridgeIsPreferred) {
  PortList list;
  std::string preferred;
  const Key key = std::vector<RegistryValue>{
      {"\\Device\\Silabser1", "COM7"}, kSerial0, {"\\Device\\Silabser0", "COM3"}};
  EXPECT_TRUE(RefreshPortList(list, preferred, key));
  EXPECT_EQ(list.Entries(), (Entries{"COM1", "COM3 : TALVIRE", "COM7 : TALVIRE"}));
  EXPECT_EQ(preferred, "COM7 : TALVIRE");
}

TEST(RefreshPortList, AddingOrRemovingOnePortIsAChange) {
  PortList list;
  std::string preferred;
  RefreshPortList(list, preferred, std::vector<RegistryValue>{kSerial0, kBridge0});

  EXPECT_TRUE(
      RefreshPortList(list, preferred, std::vector<RegistryValue>{kSerial0, kSerial1, kBridge0}));
  EXPECT_EQ(list.Entries(), (Entries{"COM1", "COM2", "COM5 : TALVIRE"}));

  EXPECT_TRUE(RefreshPortList(list, preferred, std::vector<RegistryValue>{kSerial0, kSerial1}));
  EXPECT_EQ(list.Entries(), (Entries{"COM1", "COM2"}));
  EXPECT_EQ(preferred, "");

  // Same number of ports, one of them different.
  EXPECT_TRUE(RefreshPortList(list, preferred, std::vector<RegistryValue>{kSerial0, kBridge0}));
  EXPECT_EQ(list.Entries(), (Entries{"COM1", "COM5 : TALVIRE"}));
}

TEST(RefreshPortList, EntriesDifferingOnlyInCaseAreNoChange) {
  PortList list;
  list.Add("com1");
  list.Add("COM5 : talvire");
  std::string preferred;
  EXPECT_FALSE(RefreshPortList(list, preferred, std::vector<RegistryValue>{kSerial0, kBridge0}));
  EXPECT_EQ(list.Entries(), (Entries{"com1", "COM5 : talvire"}));
  EXPECT_EQ(preferred, "COM5 : TALVIRE");
}

TEST(RefreshPortList, NoValuesOrNoKeyKeepsTheOldEntriesAndClearsPreferred) {
  PortList list;
  std::string preferred;
  RefreshPortList(list, preferred, std::vector<RegistryValue>{kBridge0});
  ASSERT_EQ(preferred, "COM5 : TALVIRE");

  // The last port unplugged: still listed, no longer preferred.
  EXPECT_FALSE(RefreshPortList(list, preferred, std::vector<RegistryValue>{}));
  EXPECT_EQ(list.Entries(), (Entries{"COM5 : TALVIRE"}));
  EXPECT_EQ(preferred, "");

  preferred = "stale";
  EXPECT_FALSE(RefreshPortList(list, preferred, std::nullopt));
  EXPECT_EQ(list.Entries(), (Entries{"COM5 : TALVIRE"}));
  EXPECT_EQ(preferred, "");
}

TEST(RefreshPortList, ListIsSortedAsText) {
  PortList list;
  std::string preferred;
  EXPECT_TRUE(RefreshPortList(
      list, preferred,
      std::vector<RegistryValue>{{"\\Device\\Serial1", "COM2"}, {"\\Device\\Serial9", "COM10"}}));
  EXPECT_EQ(list.Entries(), (Entries{"COM10", "COM2"}));
}

// ---------------------------------------------------------------------------------------------
// Refresh from a tty class directory

class RefreshFromSysfs : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = getenv("ORB42_SYSFS_TTY");
    hadValue_ = old != nullptr;
    if (hadValue_) saved_ = old;
    setenv("ORB42_SYSFS_TTY", sysfs_.TtyDir().c_str(), 1);
  }
  void TearDown() override {
    if (hadValue_) {
      setenv("ORB42_SYSFS_TTY", saved_.c_str(), 1);
    } else {
      unsetenv("ORB42_SYSFS_TTY");
    }
  }

  FakeSysfs sysfs_;
  PortList list_;
  std::string preferred_;

 private:
  std::string saved_;
  bool hadValue_ = false;
};

TEST_F(RefreshFromSysfs, BridgeOnTtyUsb0IsListedPreselectedAndReadAsIndex32) {
  sysfs_.AddSerial(0);
  sysfs_.AddSerial(1, 0);  // placeholder
  sysfs_.AddUsb(0, "cp210x");

  EXPECT_TRUE(RefreshPortList(list_, preferred_));
  EXPECT_EQ(list_.Entries(), (Entries{"COM1 (ttyS0)", "COM33 (ttyUSB0) : TALVIRE"}));
  EXPECT_EQ(preferred_, "COM33 (ttyUSB0) : TALVIRE");
  EXPECT_EQ(PortIndexFromEntry(preferred_), 32);
  EXPECT_EQ(PortIndexFromEntry(list_.At(0)), 0);

  EXPECT_FALSE(RefreshPortList(list_, preferred_));
  EXPECT_EQ(preferred_, "COM33 (ttyUSB0) : TALVIRE");
}

TEST_F(RefreshFromSysfs, PluggingAndUnpluggingPortsIsSeen) {
  sysfs_.AddSerial(0);
  sysfs_.AddUsb(1, "cp210x");
  sysfs_.AddUsb(0, "cp210x");
  EXPECT_TRUE(RefreshPortList(list_, preferred_));
  EXPECT_EQ(preferred_, "COM33 (ttyUSB0) : TALVIRE");  // the lower COM number wins

  sysfs_.AddUsb(2, "ftdi_sio");
  sysfs_.AddAcm(0);
  EXPECT_TRUE(RefreshPortList(list_, preferred_));
  EXPECT_EQ(list_.Entries(),
            (Entries{"COM1 (ttyS0)", "COM33 (ttyUSB0) : TALVIRE", "COM34 (ttyUSB1) : TALVIRE",
                     "COM35 (ttyUSB2)", "COM65 (ttyACM0)"}));

  sysfs_.Remove("ttyUSB0");
  EXPECT_TRUE(RefreshPortList(list_, preferred_));
  EXPECT_EQ(preferred_, "COM34 (ttyUSB1) : TALVIRE");
  EXPECT_EQ(list_.IndexOf("COM33 (ttyUSB0) : TALVIRE"), -1);

  for (const char* name : {"ttyS0", "ttyUSB1", "ttyUSB2", "ttyACM0"}) sysfs_.Remove(name);
  EXPECT_FALSE(RefreshPortList(list_, preferred_));
  EXPECT_EQ(list_.Count(), 4);  // the last ones stay listed
  EXPECT_EQ(preferred_, "");
}

TEST_F(RefreshFromSysfs, MissingDirectoryIsNoChangeAndClearsPreferred) {
  sysfs_.AddUsb(0, "cp210x");
  ASSERT_TRUE(RefreshPortList(list_, preferred_));
  setenv("ORB42_SYSFS_TTY", (sysfs_.TtyDir() + "/absent").c_str(), 1);
  EXPECT_FALSE(RefreshPortList(list_, preferred_));
  EXPECT_EQ(preferred_, "");
  EXPECT_EQ(list_.Entries(), (Entries{"COM33 (ttyUSB0) : TALVIRE"}));
}

// ---------------------------------------------------------------------------------------------
// Entry -> port index

TEST(PortIndexFromEntry, ReadsTheNumberAfterCom) {
  const struct {
    const char* entry;
    std::int32_t index;
  } cases[] = {
      {"COM1", 0},
      {"COM5 : TALVIRE", 4},
      {"COM12", 11},
      {"COM100", 99},
      {"COM20 : TALVIRE", 19},
      {"COM90", 89},
      {" com7 ", 6},
      {"\t\r\ncom7\n ", 6},
      {"COM33 (ttyUSB0) : TALVIRE", 32},
      {"COM1 (ttyS0)", 0},
      {"COM007", 6},
      {"COM0", -1},
      {"xxCOM3 COM4", 2},  // the first COM counts
      {"cOm8x9", 7},
      {"COM2147483647", 2147483646},
      {"COM000000000000000000002", 1},  // leading zeros do not make it too long
      {"COMX", -3},
      {"COM", -3},
      {"COM 5", -3},
      {"COM-5", -3},
      {"COM2147483648", -3},
      {"COM99999999999", -3},
      {"COM99999999999999999999999999999999", -3},
      {"Pas de port serie", -1},
      {"No serial port", -1},
      {"", -1},
      {"   ", -1},
      {"CO M1", -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PortIndexFromEntry(c.entry), c.index) << '"' << c.entry << '"';
  }
}

TEST(PortIndexFromEntry, AnyBytesGiveAnIndexInRange) {
  std::mt19937 random(42);
  const std::string alphabet = std::string("COMcom0123456789 :\t", 19) + '\0' + "\x80\xff";
  for (int run = 0; run < 20000; ++run) {
    std::string entry(random() % 24, ' ');
    for (char& c : entry) {
      c = (run % 2 == 0) ? alphabet[random() % alphabet.size()] : static_cast<char>(random());
    }
    const std::int32_t index = PortIndexFromEntry(entry);
    ASSERT_GE(index, -3) << entry;
    ASSERT_LT(index, INT32_MAX) << entry;
  }
}

// ---------------------------------------------------------------------------------------------
// The list box of step 5, refreshed by the timer's ticks while the user chooses

class StepFiveList : public ::testing::Test {
 protected:
  // The wizard on step 5 with the ports the environment has then.
  void OnStep5() {
    ui_ = std::make_unique<ui::memory::MemoryWizard>();
    while (ui_->Form().WizardStep < 5) ui_->Form().NextStep();
  }

  Entries BoxTexts() const { return ui_->ListBox(wizard::layout::ListBoxSelectLangPort).Items(); }
  std::string SelectedText() const {
    const auto& box = ui_->ListBox(wizard::layout::ListBoxSelectLangPort);
    return box.ItemText(box.SelectedIndex());
  }

  testsupport::WizardEnv env_;  // ttyS0 and a cp210x bridge on ttyUSB0
  std::unique_ptr<ui::memory::MemoryWizard> ui_;
};

const std::string kBridgeEntry = "COM33 (ttyUSB0) : TALVIRE";

TEST_F(StepFiveList, ChangedListKeepsTheSelectedTextWithoutRunningTheClickHandler) {
  env_.Sysfs().AddSerial(1);
  OnStep5();
  ui_->Pick(1);  // the user chooses COM2
  ASSERT_EQ(SelectedText(), "COM2 (ttyS1)");
  ASSERT_EQ(ui_->Form().PortIndex, 1);
  ui_->Form().PortIndex = 77;  // so that a click handler run by the reload would show

  // COM10 lands before COM2, so the selected entry moves down one row.
  env_.Sysfs().AddSerial(9);
  ui_->Tick();
  EXPECT_EQ(BoxTexts(), (Entries{"COM1 (ttyS0)", "COM10 (ttyS9)", "COM2 (ttyS1)", kBridgeEntry}));
  EXPECT_EQ(ui_->ListBox(wizard::layout::ListBoxSelectLangPort).SelectedIndex(), 2);
  EXPECT_EQ(SelectedText(), "COM2 (ttyS1)");
  EXPECT_EQ(ui_->Form().PortIndex, 77);
}

TEST_F(StepFiveList, SelectedEntryThatIsGoneLeavesNoSelectionAndNextStays) {
  OnStep5();
  ASSERT_EQ(SelectedText(), kBridgeEntry);  // pre-selected
  env_.Sysfs().Remove("ttyUSB0");
  ui_->Tick();
  EXPECT_EQ(BoxTexts(), (Entries{"COM1 (ttyS0)"}));
  EXPECT_EQ(ui_->ListBox(wizard::layout::ListBoxSelectLangPort).SelectedIndex(), -1);
  EXPECT_TRUE(ui_->Form().PreferredPort.empty());
  ui_->Press(wizard::layout::ButtonSuivant);
  EXPECT_EQ(ui_->Form().WizardStep, 5);
}

TEST_F(StepFiveList, NothingSelectedStaysSoEvenWhenABridgeAppears) {
  env_.Sysfs().Remove("ttyUSB0");
  OnStep5();
  ASSERT_EQ(ui_->ListBox(wizard::layout::ListBoxSelectLangPort).SelectedIndex(), -1);
  env_.Sysfs().AddUsb(0, "cp210x");
  ui_->Tick();
  EXPECT_EQ(ui_->Form().PreferredPort, kBridgeEntry);
  EXPECT_EQ(BoxTexts(), (Entries{"COM1 (ttyS0)", kBridgeEntry}));
  EXPECT_EQ(ui_->ListBox(wizard::layout::ListBoxSelectLangPort).SelectedIndex(), -1);
}

// A box that sorts its entries by itself (a native sorted list box heeds letter case, the list
// does not) still gets the remembered entry selected, found by its text.
TEST_F(StepFiveList, BoxThatSortsByItselfStillGetsTheRememberedEntry) {
  OnStep5();
  ui_->ListBox(wizard::layout::ListBoxSelectLangPort).SortByItself(true);
  env_.Sysfs().AddUsb(1, "ftdi_sio");  // a change, so the box is reloaded in its own order
  ui_->Tick();
  ui_->Pick(2);
  const std::string chosen = SelectedText();
  env_.Sysfs().AddAcm(0);
  ui_->Tick();
  EXPECT_EQ(SelectedText(), chosen);
}

TEST_F(StepFiveList, UnchangedListLeavesTheBoxAlone) {
  OnStep5();
  ui_->Pick(0);
  const int loads = ui_->ListBox(wizard::layout::ListBoxSelectLangPort).Loads();
  for (int i = 0; i < 3; ++i) ui_->Tick();
  env_.Sysfs().Remove("ttyS0");
  env_.Sysfs().Remove("ttyUSB0");
  ui_->Tick();  // no port at all: the old entries stay
  EXPECT_EQ(ui_->ListBox(wizard::layout::ListBoxSelectLangPort).Loads(), loads);  // never reloaded
  EXPECT_EQ(SelectedText(), "COM1 (ttyS0)");
}

}  // namespace
