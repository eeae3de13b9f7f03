#include "support/FakeSysfs.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace testsupport {

FakeSysfs::FakeSysfs() {
  std::string pattern = (fs::temp_directory_path() / "orb42-sysfs-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  ttyDir_ = root_ + "/class/tty";
  fs::create_directories(ttyDir_);
  fs::create_directories(root_ + "/devices");
}

FakeSysfs::~FakeSysfs() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

// The entry links to devices/<name>/tty/<name>, whose `device` links to devices/<name>, as in
// sysfs.
std::string FakeSysfs::DeviceDir(const std::string& name) {
  const std::string parent = root_ + "/devices/" + name;
  fs::create_directories(parent + "/tty/" + name);
  fs::create_directory_symlink("../../devices/" + name + "/tty/" + name, ttyDir_ + "/" + name);
  return parent;
}

void FakeSysfs::AddEntry(const std::string& name, bool deviceIsDir) {
  const std::string parent = DeviceDir(name);
  const std::string device = parent + "/tty/" + name + "/device";
  if (deviceIsDir) {
    fs::create_directory(device);
  } else {
    fs::create_directory_symlink("../..", device);
  }
}

void FakeSysfs::AddSerial(int n, std::optional<int> type) {
  const std::string name = "ttyS" + std::to_string(n);
  AddEntry(name, /*deviceIsDir=*/false);
  if (type) std::ofstream(ttyDir_ + "/" + name + "/type") << *type << "\n";
}

void FakeSysfs::AddUsb(int n, const std::string& driver) {
  const std::string name = "ttyUSB" + std::to_string(n);
  AddEntry(name);
  if (!driver.empty()) {
    // The drivers directory is never created: the link is read, not followed.
    fs::create_directory_symlink("../../bus/usb-serial/drivers/" + driver,
                                 root_ + "/devices/" + name + "/driver");
  }
}

void FakeSysfs::AddAcm(int n) {
  AddEntry("ttyACM" + std::to_string(n));
}

void FakeSysfs::AddEntryWithBrokenDevice(const std::string& name) {
  const std::string parent = DeviceDir(name);
  fs::create_directory_symlink("../../nowhere", parent + "/tty/" + name + "/device");
}

void FakeSysfs::AddBrokenEntry(const std::string& name) {
  fs::create_directory_symlink("../../devices/gone/" + name, ttyDir_ + "/" + name);
}

void FakeSysfs::AddFile(const std::string& name) {
  std::ofstream(ttyDir_ + "/" + name) << "x\n";
}

void FakeSysfs::Remove(const std::string& name) {
  fs::remove(ttyDir_ + "/" + name);
  fs::remove_all(root_ + "/devices/" + name);
}

}  // namespace testsupport
