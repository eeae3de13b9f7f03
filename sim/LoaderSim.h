#pragma once
// A model of the remote control's resident loader, served on the master side of a
// pseudo-terminal. For tests (in-process, on its own thread) and for the demo program
// orb42-loader-sim. Never linked into the wizard.
//
// How the model behaves where the host's side leaves it open:
// - Switched off: until switchOnDelayMs have passed since the first call byte 0x80 (of this
//   device), the device takes no byte and answers nothing at all, not even the release 0x04.
//   With no delay (0, the default) the device is on from the start.
// - Switched on but not called (no call answered with 0x81 since the last release): the loader
//   answers the call and the release 0x04 (one byte, 0x84), so that the host's Disconnect and
//   Close never wait out a time-out on a device that is on; every other command is ignored
//   without an answer, and its argument digits with it.
// - Called: every command is answered. 0x90 needs a previous unlock 0x83 and 0x8D needs
//   programming mode, otherwise they are answered with the refusal 0x85 and not carried out;
//   a program-word address beyond the 8192 words, or an unknown speed divisor, is refused the
//   same way. The release 0x04 ends the call and brings the line back to 9600 bit/s.
// - Resynchronising: argument digits must be '0'-'9' or 'A'-'F', and an awaited acknowledgement
//   must be 0x84. Any other byte breaks off the command under way and is taken as the next
//   command, so a host that gave up in the middle of a command is understood at once.
// - Faults are counted among the command bytes the switched-on loader takes (bytes sent to a
//   device that is off count for nothing). Silence, WrongByte and Refuse leave the command not
//   carried out (nothing stored, no state change); a command that has no answer (0x91, or one
//   ignored before a call) gives a Silence/WrongByte/Refuse fault nothing to change, but uses
//   it up. A HangUp takes effect on the command byte itself: the rest of the command is lost
//   with the cable. The device keeps its state across a hang-up. Late carries the command out
//   and answers it, but only delayMs after the answer was due; the loader takes no byte in the
//   meantime, so whatever the host sends meanwhile waits on the line.
// - Unplug(): the cable is pulled between two commands (the loader is not in the middle of
//   one), and plugged back in later, as with a HangUp fault.
// - Next device: after a release that follows a write of version 1.5 (cells 126 = 1, 127 = 5),
//   the next call byte meets a fresh device, which is off again: that call is its first call,
//   so it answers once switchOnDelayMs have passed (at once with no delay).
// - HangUps() counts completed replugs: once it has grown, the new pty is behind the dev link.
#include <cstdint>
#include <mutex>
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
};

enum class FaultTarget {
  Command,      // the n-th command byte received since Start (1-based), whatever the command
  ProgramWord,  // the n-th program-word write (0x8D) received since Start (1-based)
  Call,         // the n-th call byte 0x80
  SetSpeed,     // the n-th set-speed command 0x9E (a refusal there: a loader without speeds)
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

class LoaderSim {
 public:
  explicit LoaderSim(Options options = {});
  ~LoaderSim();  // stops the thread, closes the pty, removes the links it made
  LoaderSim(const LoaderSim&) = delete;
  LoaderSim& operator=(const LoaderSim&) = delete;

  // Opens the pseudo-terminal and starts serving on its own thread. false with *error set on
  // failure.
  bool Start(std::string* error = nullptr);
  void Stop();

  // The slave path of the current pseudo-terminal (changes after a hang-up).
  std::string SlavePath() const;

  // Builds the two trees under dir: dir/sys/class/tty/ttyUSB<n>/device/driver -> .../cp210x and
  // dir/dev/ttyUSB<n> -> the slave (n is Options::node); keeps the dev link current across
  // hang-ups. Returns false on failure. SysfsDir() and DevDir() give the two paths to export.
  // Simulators of other nodes may share dir: each removes only what it made.
  bool BuildTrees(const std::string& dir, std::string* error = nullptr);
  std::string SysfsDir() const;
  std::string DevDir() const;

  // The device as it is now (the current device; 8192 program words, 256 EEPROM bytes).
  std::vector<std::uint16_t> ProgramMemory() const;
  std::vector<std::uint8_t> Eeprom() const;
  // Devices that were released after version 1.5 was written and then replaced by the next
  // device at the next call, oldest first: their program memory and EEPROM at that time.
  struct FinishedDevice {
    std::vector<std::uint16_t> program;
    std::vector<std::uint8_t> eeprom;
    std::vector<bool> programWritten;  // per word: written by the host (0x8D)
    std::vector<bool> eepromWritten;   // per cell: written by the host (0x8B)
  };
  std::vector<FinishedDevice> FinishedDevices() const;
  FinishedDevice CurrentDevice() const;  // the current device's memories and written marks

  void SetDevice(const Device& device);  // replaces identity, type, serial and version
  void AddFault(const Fault& fault);
  void ClearFaults();
  // Pulls the cable out now, or as soon as the command under way is done, and plugs it back in
  // downMs later (a new pty behind the same dev link; HangUps() grows once it is back).
  void Unplug(unsigned downMs);

  std::vector<TrafficByte> Transcript() const;
  void ClearTranscript();
  std::vector<std::uint8_t> HostBytes() const;    // bytes received from the host, in order
  std::vector<std::uint8_t> LoaderBytes() const;  // bytes sent to the host, in order
  unsigned HangUps() const;
  std::uint32_t LineSpeed() const;  // the loader's current speed

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace sim
