#pragma once
// The loader simulator behind a cp210x bridge on ttyUSB0 (COM33), its trees in the environment of
// a wizard under test (ORB42_SYSFS_TTY and ORB42_DEV_DIR point at them).
#include <memory>
#include <string>

#include "sim/LoaderSim.h"
#include "support/WizardEnv.h"

namespace testsupport {

class SimDevice {
 public:
  explicit SimDevice(sim::Options options = {});
  ~SimDevice();
  SimDevice(const SimDevice&) = delete;
  SimDevice& operator=(const SimDevice&) = delete;

  sim::LoaderSim& Sim() { return *sim_; }

 private:
  WizardEnv env_;
  std::string root_;
  std::unique_ptr<sim::LoaderSim> sim_;
};

}  // namespace testsupport
