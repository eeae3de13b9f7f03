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

// Where the loader learns what the host asked of the line. A byte sent at a speed the loader is
// not running at, or with a parity or character size it does not take, arrives garbled on a real
// line: the loader cannot read it, so it breaks off whatever command it was taking and answers
// nothing.
enum class LineSource {
  Pty,        // the pseudo-terminal's own settings: its speed (a pty keeps no parity or size)
  QemuPty,    // the same, set by QEMU's serial backend for a guest's USB serial device: QEMU
              // rounds the guest's speed to a standard terminal rate (QemuSerialRate)
  Declared,   // what a model of the USB bridge reports through LoaderSim::SetHostLine
  Unchecked,  // nothing can be known (a relay stands between): every byte is read
};

// The host's line as the loader's end sees it. A pty shows its speed only: parity is '?' and
// dataBits 0 there.
struct HostLine {
  bool enabled = true;         // the bridge's UART is on (a bridge model turns it off at close)
  std::uint32_t speed = 9600;  // bit/s the host sends at
  char parity = '?';           // 'N', 'E', 'O', 'M', 'S'; '?' where the line does not show it
  std::uint8_t dataBits = 0;   // 5 to 8; 0 where the line does not show it
  std::uint8_t stopBits = 1;   // 1 or 2 (1.5 reads as 2)
  bool operator==(const HostLine&) const = default;
};

// "115200 8E1", "9600" (a pty), "off" (the bridge's UART disabled).
std::string DescribeLine(const HostLine& line);

// Whether a loader running at loaderSpeed, 8 data bits and even parity, can read what a host
// sends on line: the speed within 3 % (what two UARTs' clocks may differ by over eleven bits),
// the parity and size where the line shows them. Stop bits do not matter to a receiver.
bool LoaderCanRead(const HostLine& line, std::uint32_t loaderSpeed);

// The rate QEMU's serial backend sets on a host terminal for a guest's speed: the first
// standard terminal rate at or above ten elevenths of it (256000 bit/s becomes 460800).
std::uint32_t QemuSerialRate(std::uint32_t bitsPerSecond);

// A change of the host's line, and when the loader saw it.
struct LineChange {
  std::uint64_t atMs;  // monotonic milliseconds
  HostLine line;
};

// "9600 8N1 > 9600 8E1 > 115200 8E1 > 9600 8E1"; empty for an empty log.
std::string DescribeLineLog(const std::vector<LineChange>& log);

struct Options {
  Device device;
  unsigned node = 0;  // the bridge's node in the trees: ttyUSB<node>, COM<33 + node> (0 to 31)
  unsigned switchOnDelayMs = 0;  // counted from the first call byte
  bool pacing = false;           // 11 bits per byte at the current line speed, both ways
  std::vector<Fault> faults;
  unsigned hangUpDownMs = 300;  // how long the cable stays unplugged on a hang-up
  LineSource line = LineSource::Pty;
  // What a USB bridge adds to the line: a byte from the host reaches the loader outMs later (the
  // next bus frame), an answer reaches the host inMs later (the bridge's own wait before it hands
  // received bytes over). Added to the pacing; 0 for a line without a bridge.
  unsigned outLatencyMs = 0;
  unsigned inLatencyMs = 0;
};

struct TrafficByte {
  bool fromHost;  // true: host -> loader
  std::uint8_t value;
  std::uint64_t atMs;          // monotonic milliseconds
  std::uint32_t speed = 9600;  // the line speed the byte travelled at
  bool unreadable = false;     // from the host at a speed or parity the loader was not taking
};

// A device's memories: program memory and EEPROM, and which words and cells the host wrote.
struct FinishedDevice {
  std::vector<std::uint16_t> program;
  std::vector<std::uint8_t> eeprom;
  std::vector<bool> programWritten;  // per word: written by the host (0x8D)
  std::vector<bool> eepromWritten;   // per cell: written by the host (0x8B)
};

}  // namespace sim
