#pragma once
// Several simulated bridges at once, as on a service bench with one cable per remote: ttyUSB0 to
// ttyUSB<n-1> in one pair of trees, each with a device of its own (its own serial numbers, its
// own faults) served on its own thread by a LoaderSim.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/LoaderSim.h"

namespace sim {

inline constexpr unsigned kMaxPorts = 32;  // ttyUSB0 to ttyUSB31
// Devices on neighbouring ports start 1000 serial numbers apart: 312000001, 312001001, ...
inline constexpr std::uint32_t kSerialStepPerPort = 1000;

// count ports from one set of options: port i serves node i, and its first device has the serial
// number of base's device plus 1000 i; everything else is base's.
std::vector<Options> OptionsForPorts(const Options& base, unsigned count);

class LoaderBank {
 public:
  explicit LoaderBank(const std::vector<Options>& ports);
  ~LoaderBank();  // stops every port and removes the trees
  LoaderBank(const LoaderBank&) = delete;
  LoaderBank& operator=(const LoaderBank&) = delete;

  // Builds the trees of every port under dir, then starts them all; false with *error when one
  // cannot (the ports started so far are stopped again).
  bool Start(const std::string& dir, std::string* error = nullptr);
  void Stop();

  std::size_t Size() const { return ports_.size(); }
  LoaderSim& Port(std::size_t i) { return *ports_.at(i); }
  const LoaderSim& Port(std::size_t i) const { return *ports_.at(i); }
  std::string SysfsDir() const;
  std::string DevDir() const;

 private:
  std::vector<std::unique_ptr<LoaderSim>> ports_;
};

}  // namespace sim
