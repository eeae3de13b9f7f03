#include "support/WizardEnv.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace testsupport {

namespace {
std::string MakeTempDir() {
  char pattern[] = "/tmp/orb42-wizard-XXXXXX";
  const char* dir = mkdtemp(pattern);
  return dir ? dir : "";
}
}  // namespace

WizardEnv::WizardEnv() : sysfs_(std::make_unique<FakeSysfs>()), root_(MakeTempDir()) {
  windowsDir_ = root_ + "/windows";
  devDir_ = root_ + "/dev";
  std::filesystem::create_directories(windowsDir_);
  std::filesystem::create_directories(devDir_);
  sysfs_->AddSerial(0);
  sysfs_->AddUsb(0, "cp210x");
  const std::pair<const char*, std::string> vars[] = {{"ORB42_SYSFS_TTY", sysfs_->TtyDir()},
                                                      {"ORB42_WINDOWS_DIR", windowsDir_},
                                                      {"ORB42_DEV_DIR", devDir_}};
  for (const auto& [name, value] : vars) {
    const char* old = getenv(name);
    saved_.emplace_back(name, old ? old : std::string("\x01"));
    setenv(name, value.c_str(), 1);
  }
}

WizardEnv::~WizardEnv() {
  for (const auto& [name, value] : saved_) {
    if (value == "\x01")
      unsetenv(name.c_str());
    else
      setenv(name.c_str(), value.c_str(), 1);
  }
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

void WizardEnv::WriteSettings(const std::string& content) {
  std::ofstream(windowsDir_ + "/BrennalV1.CFG", std::ios::binary) << content;
}

}  // namespace testsupport
