#include "support/SimDevice.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace testsupport {

SimDevice::SimDevice(sim::Options options) {
  char pattern[] = "/tmp/orb42-simdevice-XXXXXX";
  root_ = mkdtemp(pattern);
  sim_ = std::make_unique<sim::LoaderSim>(std::move(options));
  std::string error;
  if (!sim_->Start(&error) || !sim_->BuildTrees(root_, &error)) throw std::runtime_error(error);
  setenv("ORB42_SYSFS_TTY", sim_->SysfsDir().c_str(), 1);
  setenv("ORB42_DEV_DIR", sim_->DevDir().c_str(), 1);
}

SimDevice::~SimDevice() {
  sim_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

}  // namespace testsupport
