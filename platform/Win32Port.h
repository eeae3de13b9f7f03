#pragma once
// The serial port over the Windows serial calls. Private to the platform layer and its tests;
// the link only sees SerialPort.
#include <windows.h>

#include <cstdint>

#include "platform/SerialPort.h"

namespace platform {

// The DCB that the link's line settings describe, field by field.
DCB DcbFromLineSettings(const LineSettings& line);

class Win32Port final : public SerialPort {
 public:
  Win32Port() = default;
  ~Win32Port() override;
  Win32Port(const Win32Port&) = delete;
  Win32Port& operator=(const Win32Port&) = delete;

  int Open(const std::string& name) override;
  bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
  int GetState(SavedSettings& saved) override;
  int SetState(const SavedSettings& saved) override;
  int SetLine(const LineSettings& line) override;
  int GetTimeouts(CommTimeouts& out) override;
  int SetTimeouts(const CommTimeouts& t) override;
  int Purge() override;
  int ReadByte(std::uint8_t& value, bool& got) override;
  int WriteByte(std::uint8_t value) override;
  int Close() override;

  // For tests that look at the port through the system's own calls while it is open.
  HANDLE NativeHandle() const { return handle_; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace platform
