#pragma once
// A throw-away tty class directory laid out like /sys/class/tty: each entry is a link to a
// device directory elsewhere in the tree, its `device` a link (or a directory) and the driver a
// link whose target need not exist. Removed with everything in it on destruction.
#include <optional>
#include <string>

namespace testsupport {

class FakeSysfs {
 public:
  FakeSysfs();
  ~FakeSysfs();
  FakeSysfs(const FakeSysfs&) = delete;
  FakeSysfs& operator=(const FakeSysfs&) = delete;

  // The tty class directory, to pass to ReadSerialDeviceMap or put in ORB42_SYSFS_TTY.
  const std::string& TtyDir() const { return ttyDir_; }

  // ttyS<n> with a `type` file holding type (4 is a 16550A UART, 0 a placeholder), or none.
  void AddSerial(int n, std::optional<int> type = 4);
  // ttyUSB<n> whose device/driver links to .../drivers/<driver>; no driver link when empty.
  void AddUsb(int n, const std::string& driver);
  void AddAcm(int n);
  // Any entry with a `device`; deviceIsDir makes device a directory rather than a link.
  void AddEntry(const std::string& name, bool deviceIsDir = false);
  // An entry whose `device` link points nowhere.
  void AddEntryWithBrokenDevice(const std::string& name);
  // An entry that is itself a link to nothing.
  void AddBrokenEntry(const std::string& name);
  // A regular file where a directory is expected.
  void AddFile(const std::string& name);
  // Removes an entry, as unplugging its device does.
  void Remove(const std::string& name);

 private:
  std::string DeviceDir(const std::string& name);  // makes the entry, returns its device dir
  std::string root_;
  std::string ttyDir_;
};

}  // namespace testsupport
