#pragma once
// The environment of a wizard under test: its own serial-device tree and Windows directory in
// ORB42_SYSFS_TTY, ORB42_WINDOWS_DIR and ORB42_DEV_DIR, put back as they were afterwards.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/FakeSysfs.h"

namespace testsupport {

// Starts with ttyS0 and a cp210x bridge on ttyUSB0.
class WizardEnv {
 public:
  WizardEnv();
  ~WizardEnv();
  WizardEnv(const WizardEnv&) = delete;
  WizardEnv& operator=(const WizardEnv&) = delete;

  FakeSysfs& Sysfs() { return *sysfs_; }
  const std::string& WindowsDir() const { return windowsDir_; }
  const std::string& DevDir() const { return devDir_; }
  // Writes BrennalV1.CFG into the Windows directory.
  void WriteSettings(const std::string& content);

 private:
  std::unique_ptr<FakeSysfs> sysfs_;
  std::string root_, windowsDir_, devDir_;
  std::vector<std::pair<std::string, std::string>> saved_;
};

}  // namespace testsupport
