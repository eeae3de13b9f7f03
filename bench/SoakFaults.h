#pragma once
// The soak's random faults. The simulator counts a fault's ordinal from its start (command bytes,
// call bytes, program-word writes); the soak keeps the same counts from the transcript, so that
// each attempt's faults land within that attempt, at a random point of it.
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "sim/LoaderSim.h"

namespace bench {

struct LineCounts {
  unsigned commands = 0;
  unsigned calls = 0;
  unsigned words = 0;
  // Counts the host's command bytes of a stretch of transcript, as the loader counts them.
  void Add(const std::vector<sim::TrafficByte>& transcript);
};

enum FaultClass { kSilence, kWrongByte, kRefusal, kHangUp, kLate, kFaultClasses };
const char* FaultClassName(int c);

class FaultPlanner {
 public:
  explicit FaultPlanner(std::uint32_t seed) : random_(seed) {}
  // Zero, one or two faults somewhere in the next attempt: silence, a wrong byte, an answer that
  // comes after the host's read time-out, or a hang-up at a random command or program word, or
  // a refusal of the next call.
  std::vector<sim::Fault> Plan(const LineCounts& now);
  // Books the planned faults whose ordinal the line has reached as injected; forgets the rest
  // (the soak clears them from the simulator before planning again).
  void Settle(const LineCounts& now);

  const std::array<int, kFaultClasses>& Injected() const { return injected_; }
  int Unused() const { return unused_; }

 private:
  unsigned Uniform(unsigned low, unsigned high);
  sim::Fault OneFault(const LineCounts& now);

  std::mt19937 random_;
  std::vector<sim::Fault> planned_;
  std::array<int, kFaultClasses> injected_{};
  int unused_ = 0;
};

}  // namespace bench
