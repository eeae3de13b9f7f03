#pragma once
// Reads the simulator's transcript as it grows and tells, one short line each, how far a host
// has led the device: the call answered, the checks asked, programming mode, the first word
// written, version 1.5 stored, the release. The demo follows the wizard from outside by these
// lines (orb42-loader-sim --events).
#include <cstdint>
#include <string>
#include <vector>

#include "sim/Types.h"

namespace sim {

struct Event {
  std::uint64_t atMs;  // the transcript's monotonic time of the byte that completed it
  std::string text;
};

class EventReader {
 public:
  // Feeds the transcript from the first byte not seen yet; the transcript must only grow.
  // Returns the events that the new bytes complete, in order.
  std::vector<Event> Feed(const std::vector<TrafficByte>& transcript);

 private:
  void HostByte(std::uint8_t b, std::uint64_t at, std::vector<Event>& out);
  void LoaderByte(std::uint8_t b, std::uint64_t at, std::vector<Event>& out);
  void CommandDone(std::uint64_t at, std::vector<Event>& out);
  std::vector<std::uint8_t> Arguments() const;  // the argument digits read as pairs

  std::size_t seen_ = 0;
  bool calling_ = false;  // a call byte went out and was not answered yet
  bool called_ = false;   // answered 0x81 and not released since
  std::uint8_t command_ = 0;
  std::size_t digitsWanted_ = 0;
  std::string digits_;
  unsigned wordWrites_ = 0;  // program-word writes of this call
  int major_ = -1;           // EEPROM cells 126 and 127 as read or written in this call
  int minor_ = -1;
  int readCell_ = -1;  // the cell whose value the loader's next two digits give
  std::string answer_;
};

// "# event 12.345 s: call answered", the time counted from startMs.
std::string EventLine(const Event& event, std::uint64_t startMs);

}  // namespace sim
