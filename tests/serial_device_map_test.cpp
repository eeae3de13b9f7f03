// The serial-device map read from a tty class directory: which entries count as ports, how their
// values are named and in which order they come.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/SerialDeviceMap.h"
#include "support/FakeSysfs.h"

using platform::ReadSerialDeviceMap;
using platform::RegistryValue;
using testsupport::FakeSysfs;

namespace {

std::vector<std::string> Lines(const std::vector<RegistryValue>& values) {
  std::vector<std::string> lines;
  for (const RegistryValue& v : values) lines.push_back(v.name + " = " + v.data);
  return lines;
}

// Restores ORB42_SYSFS_TTY as it was when the test began.
class SysfsEnv {
 public:
  SysfsEnv() {
    const char* old = getenv("ORB42_SYSFS_TTY");
    if (old != nullptr) saved_ = old;
    hadValue_ = old != nullptr;
  }
  ~SysfsEnv() {
    if (hadValue_) {
      setenv("ORB42_SYSFS_TTY", saved_.c_str(), 1);
    } else {
      unsetenv("ORB42_SYSFS_TTY");
    }
  }

 private:
  std::string saved_;
  bool hadValue_ = false;
};

TEST(SerialDeviceMap, MixedTreeGivesOneValuePerPortInComOrder) {
  FakeSysfs sysfs;
  // Made in no particular order: the values must still come in COM-number order.
  sysfs.AddAcm(2);
  sysfs.AddUsb(1, "ftdi_sio");
  sysfs.AddUsb(0, "cp210x");
  sysfs.AddUsb(2, "");  // no driver link: a VCP
  sysfs.AddSerial(31);
  sysfs.AddSerial(0);
  sysfs.AddSerial(1, 0);  // placeholder without a UART
  sysfs.AddSerial(2, std::nullopt);
  sysfs.AddAcm(0);
  sysfs.AddUsb(31, "pl2303");

  EXPECT_EQ(Lines(*ReadSerialDeviceMap(sysfs.TtyDir())),
            (std::vector<std::string>{
                "\\Device\\Serial0 = COM1 (ttyS0)",
                "\\Device\\Serial2 = COM3 (ttyS2)",
                "\\Device\\Serial31 = COM32 (ttyS31)",
                "\\Device\\Silabser0 = COM33 (ttyUSB0)",
                "\\Device\\VCP1 = COM34 (ttyUSB1)",
                "\\Device\\VCP2 = COM35 (ttyUSB2)",
                "\\Device\\VCP31 = COM64 (ttyUSB31)",
                "\\Device\\USBSER0 = COM65 (ttyACM0)",
                "\\Device\\USBSER2 = COM67 (ttyACM2)",
            }));
}

TEST(SerialDeviceMap, EntriesThatAreNotPortsAreLeftOut) {
  FakeSysfs sysfs;
  for (const char* name : {"tty0", "ttyAMA0", "ttyUSB32", "ttyS32", "ttyACM32", "ttyS01", "ttyS",
                           "ttyUSB", "ttySx", "ttyS-1", "console", "ptmx", "ttyS100"}) {
    sysfs.AddEntry(name);
  }
  sysfs.AddFile("ttyS3");         // a file instead of a directory
  sysfs.AddBrokenEntry("ttyS4");  // a link to nothing
  sysfs.AddBrokenEntry("ttyUSB4");
  std::filesystem::create_directory(sysfs.TtyDir() + "/ttyS5");  // no device
  sysfs.AddSerial(6, 0);
  sysfs.AddSerial(7);  // the only port

  EXPECT_EQ(Lines(*ReadSerialDeviceMap(sysfs.TtyDir())),
            std::vector<std::string>{"\\Device\\Serial7 = COM8 (ttyS7)"});
}

TEST(SerialDeviceMap, DeviceMayBeADirectoryOrALinkThatIsOnlyRead) {
  FakeSysfs sysfs;
  sysfs.AddEntry("ttyACM5", /*deviceIsDir=*/true);
  sysfs.AddEntryWithBrokenDevice("ttyUSB3");  // the link exists, so the port counts

  EXPECT_EQ(Lines(*ReadSerialDeviceMap(sysfs.TtyDir())),
            (std::vector<std::string>{"\\Device\\VCP3 = COM36 (ttyUSB3)",
                                      "\\Device\\USBSER5 = COM70 (ttyACM5)"}));
}

TEST(SerialDeviceMap, MissingDirectoryIsAMissingKeyAndAnEmptyOneHasNoValues) {
  FakeSysfs sysfs;
  EXPECT_FALSE(ReadSerialDeviceMap(sysfs.TtyDir() + "/absent").has_value());
  sysfs.AddFile("plain");
  EXPECT_FALSE(ReadSerialDeviceMap(sysfs.TtyDir() + "/plain").has_value());
  EXPECT_FALSE(ReadSerialDeviceMap("").has_value());

  std::filesystem::remove(sysfs.TtyDir() + "/plain");
  const auto empty = ReadSerialDeviceMap(sysfs.TtyDir());
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->empty());

  sysfs.AddSerial(0, 0);
  sysfs.AddEntry("tty1");
  const auto noPort = ReadSerialDeviceMap(sysfs.TtyDir());
  ASSERT_TRUE(noPort.has_value());
  EXPECT_TRUE(noPort->empty());
}

TEST(SerialDeviceMap, UartTypeIsReadAsANumber) {
  FakeSysfs sysfs;
  sysfs.AddSerial(0, 4);
  sysfs.AddSerial(1, 0);
  sysfs.AddSerial(2);
  std::ofstream(sysfs.TtyDir() + "/ttyS2/type", std::ios::trunc) << "00";  // no newline
  sysfs.AddSerial(3);
  std::ofstream(sysfs.TtyDir() + "/ttyS3/type", std::ios::trunc) << "";  // empty: not 0
  sysfs.AddSerial(4);
  std::ofstream(sysfs.TtyDir() + "/ttyS4/type", std::ios::trunc) << "10\n";

  EXPECT_EQ(Lines(*ReadSerialDeviceMap(sysfs.TtyDir())),
            (std::vector<std::string>{"\\Device\\Serial0 = COM1 (ttyS0)",
                                      "\\Device\\Serial3 = COM4 (ttyS3)",
                                      "\\Device\\Serial4 = COM5 (ttyS4)"}));
}

TEST(SerialDeviceMap, DirectoryComesFromTheEnvironmentAtEachCall) {
  SysfsEnv restore;
  FakeSysfs first;
  first.AddUsb(0, "cp210x");
  FakeSysfs second;
  second.AddAcm(1);

  setenv("ORB42_SYSFS_TTY", first.TtyDir().c_str(), 1);
  EXPECT_EQ(Lines(*ReadSerialDeviceMap()),
            std::vector<std::string>{"\\Device\\Silabser0 = COM33 (ttyUSB0)"});
  setenv("ORB42_SYSFS_TTY", second.TtyDir().c_str(), 1);
  EXPECT_EQ(Lines(*ReadSerialDeviceMap()),
            std::vector<std::string>{"\\Device\\USBSER1 = COM66 (ttyACM1)"});

  setenv("ORB42_SYSFS_TTY", "", 1);
  EXPECT_EQ(platform::SerialDeviceMapDir(), "/sys/class/tty");
  unsetenv("ORB42_SYSFS_TTY");
  EXPECT_EQ(platform::SerialDeviceMapDir(), "/sys/class/tty");
}

}  // namespace
