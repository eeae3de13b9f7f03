#pragma once
// The serial port over POSIX termios. Private to the platform layer and its tests; the link only
// sees SerialPort.
#include <cstdint>

#include "platform/SerialPort.h"

namespace platform {

class TermiosPort final : public SerialPort {
 public:
  TermiosPort() = default;
  ~TermiosPort() override;
  TermiosPort(const TermiosPort&) = delete;
  TermiosPort& operator=(const TermiosPort&) = delete;

  int Open(const std::string& name) override;
  bool IsOpen() const override { return fd_ >= 0; }
  int GetState(SavedSettings& saved) override;
  int SetState(const SavedSettings& saved) override;
  int SetLine(const LineSettings& line) override;
  int GetTimeouts(CommTimeouts& out) override;
  int SetTimeouts(const CommTimeouts& t) override;
  int Purge() override;
  // Time-outs of zero mean "do not wait": a read returns at once without a byte. (On Windows
  // all-zero time-outs would block a read for ever; nothing here relies on that, and a port
  // that can hang the caller's thread for ever is worse than one that answers "no byte yet".)
  int ReadByte(std::uint8_t& value, bool& got) override;
  int WriteByte(std::uint8_t value) override;
  int Close() override;

 private:
  int OpenNode(const char* path);
  int ApplyModemLines(const LineSettings& line);

  int fd_ = -1;
  CommTimeouts timeouts_{};  // kept here and used by poll(); the device knows nothing of them
};

}  // namespace platform
