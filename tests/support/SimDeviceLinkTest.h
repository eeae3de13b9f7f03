#pragma once
// A test with the link on COM33, the loader simulator behind it: Start() makes the device (with
// the options the test needs) and a closed link on its port.
#include <gtest/gtest.h>

#include <memory>

#include "link/Com_p03.h"
#include "sim/LoaderSim.h"
#include "support/SimDevice.h"

namespace testsupport {

class SimDeviceLinkTest : public ::testing::Test {
 protected:
  void Start(sim::Options options = {}) {
    device = std::make_unique<SimDevice>(std::move(options));
    loader = &device->Sim();
    link = std::make_unique<CP03>();
    link->SetPortIndex(32);
  }
  void TearDown() override {
    link.reset();
    device.reset();
  }

  std::unique_ptr<SimDevice> device;
  sim::LoaderSim* loader = nullptr;
  std::unique_ptr<CP03> link;
};

}  // namespace testsupport
