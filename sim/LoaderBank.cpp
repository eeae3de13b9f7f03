#include "sim/LoaderBank.h"

namespace sim {

std::vector<Options> OptionsForPorts(const Options& base, unsigned count) {
  std::vector<Options> ports;
  for (unsigned i = 0; i < count; ++i) {
    Options port = base;
    port.node = i;
    port.device.serialNumber = base.device.serialNumber + i * kSerialStepPerPort;
    ports.push_back(std::move(port));
  }
  return ports;
}

LoaderBank::LoaderBank(const std::vector<Options>& ports) {
  for (const Options& options : ports) ports_.push_back(std::make_unique<LoaderSim>(options));
}

// The last port first: the first one made the directories that the others share, and removes
// them only once they are empty.
LoaderBank::~LoaderBank() {
  Stop();
  while (!ports_.empty()) ports_.pop_back();
}

bool LoaderBank::Start(const std::string& dir, std::string* error) {
  for (auto& port : ports_) {
    if (!port->BuildTrees(dir, error)) return false;
  }
  for (auto& port : ports_) {
    if (!port->Start(error)) {
      Stop();
      return false;
    }
  }
  return true;
}

void LoaderBank::Stop() {
  for (auto it = ports_.rbegin(); it != ports_.rend(); ++it) (*it)->Stop();
}

std::string LoaderBank::SysfsDir() const {
  return ports_.empty() ? std::string() : ports_.front()->SysfsDir();
}

std::string LoaderBank::DevDir() const {
  return ports_.empty() ? std::string() : ports_.front()->DevDir();
}

}  // namespace sim
