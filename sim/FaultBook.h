#pragma once
// The faults still to come and the ordinals they are counted against.
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/Types.h"

namespace sim {

class FaultBook {
 public:
  void Add(const Fault& fault) { pending_.push_back(fault); }
  void Clear() { pending_.clear(); }

  // Counts one command byte taken by the switched-on loader and returns the fault that fires on
  // it, if any. The fault is used up: each fault fires once.
  std::optional<Fault> OnCommand(std::uint8_t command);

 private:
  std::vector<Fault> pending_;
  unsigned commands_ = 0;
  unsigned calls_ = 0;
  unsigned words_ = 0;
  unsigned speeds_ = 0;
  unsigned eepromWrites_ = 0;
};

}  // namespace sim
