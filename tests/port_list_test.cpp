// The wizard's port list: its order, its refresh from the serial-device map, the reading of an
// entry as a port index, and the step-5 list box that keeps the user's selection.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QListWidget>
#include <climits>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "update/PortList.h"
#include "app/PortListBox.h"
#include "support/FakeSysfs.h"

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
// The list box of step 5

class PortListBoxTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (QApplication::instance() == nullptr) {
      setenv("QT_QPA_PLATFORM", "offscreen", 0);
      static int argc = 1;
      static char name[] = "port_list_test";
      static char* argv[] = {name, nullptr};
      static QApplication app(argc, argv);
    }
  }

  void SetUp() override {
    box_ = std::make_unique<QListWidget>();
    QObject::connect(box_.get(), &QListWidget::itemSelectionChanged, [this] { ++signals_; });
    QObject::connect(box_.get(), &QListWidget::currentRowChanged, [this](int) { ++signals_; });
    QObject::connect(box_.get(), &QListWidget::currentItemChanged,
                     [this](QListWidgetItem*, QListWidgetItem*) { ++signals_; });
  }

  // Fills list and box from values and selects the box row showing `selected` ("" for none),
  // as the user would.
  void Show(const std::vector<RegistryValue>& values, const std::string& selected) {
    RefreshPortList(list_, preferred_, values);
    LoadPortListIntoListBox(*box_, list_);
    if (!selected.empty()) box_->setCurrentRow(list_.IndexOf(selected));
    signals_ = 0;
  }

  std::string SelectedText() const {
    const auto items = box_->selectedItems();
    return items.isEmpty() ? std::string() : items.front()->text().toStdString();
  }

  Entries BoxTexts() const {
    Entries texts;
    for (int row = 0; row < box_->count(); ++row)
      texts.push_back(box_->item(row)->text().toStdString());
    return texts;
  }

  std::unique_ptr<QListWidget> box_;
  PortList list_;
  std::string preferred_;
  int signals_ = 0;
};

const RegistryValue kCom3{"\\Device\\Serial2", "COM3"};
const RegistryValue kCom10{"\\Device\\Serial9", "COM10"};

TEST_F(PortListBoxTest, LoadShowsTheListInItsOrder) {
  Show({kCom3, kBridge0, kCom10, kSerial0}, "");
  EXPECT_EQ(BoxTexts(), (Entries{"COM1", "COM10", "COM3", "COM5 : TALVIRE"}));
  EXPECT_EQ(box_->currentRow(), -1);

  LoadPortListIntoListBox(*box_, PortList());
  EXPECT_EQ(box_->count(), 0);
}

TEST_F(PortListBoxTest, ChangedListKeepsTheSelectedTextWithoutSignallingAClick) {
  Show({kSerial0, kSerial1, kCom3}, "COM2");
  ASSERT_EQ(box_->currentRow(), 1);

  // COM10 lands before COM2, so the selected entry moves down one row.
  EXPECT_TRUE(RefreshPortListBoxKeepingSelection(
      *box_, list_, preferred_, std::vector<RegistryValue>{kSerial0, kSerial1, kCom3, kCom10}));
  EXPECT_EQ(BoxTexts(), (Entries{"COM1", "COM10", "COM2", "COM3"}));
  EXPECT_EQ(box_->currentRow(), 2);
  EXPECT_EQ(SelectedText(), "COM2");
  EXPECT_EQ(signals_, 0);

  // The box speaks again once the reload is over.
  box_->setCurrentRow(0);
  EXPECT_GT(signals_, 0);
}

TEST_F(PortListBoxTest, SelectedEntryThatIsGoneLeavesNoSelection) {
  Show({kSerial0, kSerial1, kBridge0}, "COM5 : TALVIRE");
  EXPECT_TRUE(RefreshPortListBoxKeepingSelection(*box_, list_, preferred_,
                                                 std::vector<RegistryValue>{kSerial0, kSerial1}));
  EXPECT_EQ(BoxTexts(), (Entries{"COM1", "COM2"}));
  EXPECT_EQ(box_->currentRow(), -1);
  EXPECT_TRUE(box_->selectedItems().isEmpty());
  EXPECT_EQ(signals_, 0);
}

TEST_F(PortListBoxTest, NothingSelectedStaysSoEvenWhenABridgeAppears) {
  Show({kSerial0}, "");
  EXPECT_TRUE(RefreshPortListBoxKeepingSelection(*box_, list_, preferred_,
                                                 std::vector<RegistryValue>{kSerial0, kBridge0}));
  EXPECT_EQ(preferred_, "COM5 : TALVIRE");
  EXPECT_EQ(BoxTexts(), (Entries{"COM1", "COM5 : TALVIRE"}));
  EXPECT_EQ(box_->currentRow(), -1);
  EXPECT_TRUE(box_->selectedItems().isEmpty());
}

TEST_F(PortListBoxTest, BoxThatSortsByItselfStillGetsTheRememberedEntry) {
  // The box's own sorting heeds letter case, the list's does not: "aBx" comes first in the box,
  // "a_x" first in the list.
  box_->setSortingEnabled(true);
  Show({{"A", "a_x"}, {"B", "aBx"}}, "");
  box_->setCurrentRow(0);
  ASSERT_EQ(SelectedText(), "aBx");
  signals_ = 0;

  EXPECT_TRUE(RefreshPortListBoxKeepingSelection(
      *box_, list_, preferred_,
      std::vector<RegistryValue>{{"A", "a_x"}, {"B", "aBx"}, {"C", "c"}}));
  EXPECT_EQ(SelectedText(), "aBx");
  EXPECT_EQ(signals_, 0);
}

TEST_F(PortListBoxTest, UnchangedListLeavesTheBoxAlone) {
  Show({kSerial0, kSerial1}, "COM2");
  QListWidgetItem* const before = box_->item(1);

  for (const Key& key : {Key(std::vector<RegistryValue>{kSerial1, kSerial0}),
                         Key(std::vector<RegistryValue>{}), Key(std::nullopt)}) {
    EXPECT_FALSE(RefreshPortListBoxKeepingSelection(*box_, list_, preferred_, key));
    EXPECT_EQ(box_->item(1), before);  // not reloaded
    EXPECT_EQ(SelectedText(), "COM2");
  }
  EXPECT_EQ(signals_, 0);
}

}  // namespace
