#pragma once
// The simulator's vocabulary: the device, its faults, the options of one simulated bridge, a
// byte of the transcript, a device's memories. The internals take their types from here; the
// facades (LoaderSim.h, LoaderBank.h) build on them.
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct Device {
  std::string identity = "P03";            // three characters answered to 0x86
  std::uint8_t deviceType = 1;             // answered to 0x87
  std::uint32_t serialNumber = 312000001;  // EEPROM 120..123, little-endian
  std::uint8_t versionMajor = 1;           // EEPROM 126
  std::uint8_t versionMinor = 4;           // EEPROM 127
};

enum class FaultKind {
  Silence,    // the loader does not answer this command / word write at all
  WrongByte,  // the first answer byte is wrong (0x00 instead of 0x84, a corrupt digit ...)
  Refuse,     // the call 0x80 is answered with 0x85
  HangUp,     // unplug and replug: the master is closed, a new pty appears behind the link
  Late,       // the answer comes, but delayMs late
  Corrupt,    // a write is acknowledged, but the cell or word keeps another value (a weak cell)
};

enum class FaultTarget {
  Command,      // the n-th command byte received since Start (1-based), whatever the command
  ProgramWord,  // the n-th program-word write (0x8D) received since Start (1-based)
  Call,         // the n-th call byte 0x80
  SetSpeed,     // the n-th set-speed command 0x9E (a refusal there: a loader without speeds)
  EepromWrite,  // the n-th EEPROM write 0x8B
};

struct Fault {
  FaultKind kind;
  FaultTarget target;
  unsigned ordinal;         // 1-based
  unsigned delayMs = 1500;  // Late only: how late the answer comes
};

struct Options {
  Device device;
  unsigned node = 0;  // the bridge's node in the trees: ttyUSB<node>, COM<33 + node> (0 to 31)
  unsigned switchOnDelayMs = 0;  // counted from the first call byte
  bool pacing = false;           // 11 bits per byte at the current line speed, both ways
  std::vector<Fault> faults;
  unsigned hangUpDownMs = 300;  // how long the cable stays unplugged on a hang-up
};

struct TrafficByte {
  bool fromHost;  // true: host -> loader
  std::uint8_t value;
  std::uint64_t atMs;          // monotonic milliseconds
  std::uint32_t speed = 9600;  // the line speed the byte travelled at
};

// A device's memories: program memory and EEPROM, and which words and cells the host wrote.
struct FinishedDevice {
  std::vector<std::uint16_t> program;
  std::vector<std::uint8_t> eeprom;
  std::vector<bool> programWritten;  // per word: written by the host (0x8D)
  std::vector<bool> eepromWritten;   // per cell: written by the host (0x8B)
};

}  // namespace sim
