#pragma once
// What the serving thread and the accessors of LoaderSim share. Everything below the mutex is
// guarded by it; the thread never holds it while it waits for a byte or for time to pass.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sim/FaultBook.h"
#include "sim/Pty.h"
#include "sim/Trees.h"
#include "sim/Types.h"

namespace sim {

struct Shared {
  explicit Shared(const Options& o) : options(o), device(o.device) {}

  const Options options;  // fixed at construction (faults and device live on below)
  int wakeFd = -1;        // eventfd: readable once Stop was asked for
  int kickFd = -1;        // eventfd: readable once Unplug or PowerCycle was asked for

  // The pty is replaced only by the serving thread (hang-up) or before it runs (Start).
  Pty pty;

  mutable std::mutex mutex;
  Device device;  // the current device's identity, type and serial; its version is the one
                  // every fresh device starts with
  FinishedDevice memory;
  std::vector<FinishedDevice> finished;
  FaultBook faults;
  std::vector<TrafficByte> transcript;
  unsigned hangUps = 0;
  std::uint32_t lineSpeed = 9600;
  std::string slavePath;
  Trees trees;
  bool stopping = false;
  unsigned unplugDownMs = 0;  // the Unplug asked for, taken by the serving thread
  bool unplugAsked = false;
  bool powerCycleAsked = false;     // PowerCycle asked for, taken by the serving thread
  HostLine hostLine;                // LineSource::Declared: the line as the bridge model set it
  std::vector<LineChange> lineLog;  // each change of the host's line the loader saw
  unsigned unreadable = 0;          // host bytes the loader could not read

  // Appends line to the log unless it is the line already there. Called with the mutex held.
  void NoteLine(const HostLine& line, std::uint64_t atMs) {
    if (lineLog.empty() || !(lineLog.back().line == line)) lineLog.push_back({atMs, line});
  }
};

}  // namespace sim
