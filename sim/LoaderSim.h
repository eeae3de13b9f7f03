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
//   it up. A WrongByte on an answer of hex digits garbles its first digit into another digit:
//   the first time into the next one (5 -> 6), and each later time by one more, so that two
//   garbled answers in a row never agree, as two errors of a noisy line would not.
//   A HangUp takes effect on the command byte itself: the rest of the command is lost
//   with the cable. The device keeps its state across a hang-up, its line speed too: a loader
//   switched to a faster line reads the next call at 9600 bit/s only once it was switched off
//   and on (PowerCycle). Late carries the command out
//   and answers it, but only delayMs after the answer was due; the loader takes no byte in the
//   meantime, so whatever the host sends meanwhile waits on the line. Corrupt carries a write
//   out and acknowledges it, but keeps another value (the EEPROM byte inverted, the program word
//   with its 14 bits inverted), as a weak cell would.
// - Unplug(): the cable is pulled between two commands (the loader is not in the middle of
//   one), and plugged back in later, as with a HangUp fault.
// - Next device: after a release that follows a write of version 1.5 (cells 126 = 1, 127 = 5),
//   the next call byte meets a fresh device, which is off again: that call is its first call,
//   so it answers once switchOnDelayMs have passed (at once with no delay).
// - HangUps() counts completed replugs: once it has grown, the new pty is behind the dev link.
// - The line: a byte the host sends at another speed than the loader's (or, where the line shows
//   it, with another parity than even or another size than 8 bits) is garbled on the way and the
//   loader cannot read it: it breaks off the command under way and answers nothing, as a real
//   device would. On the pty the host's speed is the terminal's own (a pseudo-terminal keeps no
//   parity); a bridge model declares the whole line (SetHostLine); Unchecked reads everything.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sim/Types.h"

namespace sim {

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
  using FinishedDevice = sim::FinishedDevice;
  std::vector<FinishedDevice> FinishedDevices() const;
  FinishedDevice CurrentDevice() const;  // the current device's memories and written marks

  void SetDevice(const Device& device);  // replaces identity, type, serial and version
  void AddFault(const Fault& fault);
  void ClearFaults();
  // Pulls the cable out now, or as soon as the command under way is done, and plugs it back in
  // downMs later (a new pty behind the same dev link; HangUps() grows once it is back).
  void Unplug(unsigned downMs);
  // The device is switched off and on between two commands: its loader starts again at 9600
  // bit/s, not called, off until the switch-on delay after the next call; its memories stay. A
  // loader that a pulled cable left at a faster line answers again only after this.
  void PowerCycle();

  std::vector<TrafficByte> Transcript() const;
  void ClearTranscript();
  std::vector<std::uint8_t> HostBytes() const;    // bytes received from the host, in order
  std::vector<std::uint8_t> LoaderBytes() const;  // bytes sent to the host, in order
  unsigned HangUps() const;
  std::uint32_t LineSpeed() const;  // the loader's current speed

  // What the host asked of the line, where a model of the USB bridge knows it
  // (Options::line == LineSource::Declared); the loader reads the host's bytes by it.
  void SetHostLine(const HostLine& line);
  // Each change of the host's line that the loader saw, oldest first: from the pty's settings,
  // or as declared. Empty when the line is unchecked.
  std::vector<LineChange> HostLines() const;
  // Bytes from the host that the loader could not read: sent at another speed, parity or size.
  unsigned UnreadableBytes() const;

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace sim
