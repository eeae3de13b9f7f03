#pragma once
// The host's end of the simulated line for the simulator's own tests: raw bytes on the slave,
// with poll-based reads that give up after a time-out.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace simtest {

class RawHost {
 public:
  explicit RawHost(const std::string& path);  // opens raw; ok() tells whether it worked
  ~RawHost();
  RawHost(const RawHost&) = delete;
  RawHost& operator=(const RawHost&) = delete;

  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  // Sets the terminal's speed, as a host does after switching the loader; the loader reads only
  // what is sent at its own speed.
  void SetSpeed(unsigned bitsPerSecond);
  void Send(const std::vector<std::uint8_t>& bytes);
  void SendText(const std::string& text);  // e.g. hex digits of an argument
  // One byte, or nullopt when none came within timeoutMs.
  std::optional<std::uint8_t> Read(int timeoutMs = 1000);
  // A hex pair as the host receives it: each digit acknowledged with 0x84. Returns the two
  // characters; empty when a digit did not come.
  std::string ReadPairAcked(int timeoutMs = 1000);
  // Sends a command and returns its one-byte answer (nullopt: none within timeoutMs).
  std::optional<std::uint8_t> Ask(const std::vector<std::uint8_t>& bytes, int timeoutMs = 1000);

 private:
  int fd_ = -1;
};

std::string HexPair(unsigned value);  // "0A" for 10
// The bytes of a program-word write: 0x8D and the four masked pairs.
std::vector<std::uint8_t> WordWrite(unsigned address, unsigned word);
// The bytes of 0x89/0x8B commands.
std::vector<std::uint8_t> EepromRead(unsigned address);
std::vector<std::uint8_t> EepromWrite(unsigned address, unsigned value);

}  // namespace simtest
