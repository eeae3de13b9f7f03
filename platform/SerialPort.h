#pragma once
// The one small port interface that the device link talks to. Every call returns 0 or the
// system's error code: a GetLastError() value on Windows (Win32Port.cpp, over the Windows serial
// calls), an errno value on Linux (TermiosPort.cpp, over POSIX termios), where errno values stand
// in for the Windows codes. Tests may give the link another implementation.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// The line settings that the link applies, named after the fields of the Windows DCB record.
struct LineSettings {
  std::uint32_t DCBlength = 28;
  std::uint32_t BaudRate = 9600;
  std::uint32_t fBinary = 1;
  std::uint32_t fParity = 1;
  std::uint32_t fOutxCtsFlow = 0;
  std::uint32_t fOutxDsrFlow = 0;
  std::uint32_t fDtrControl = 0;  // DTR off
  std::uint32_t fDsrSensitivity = 0;
  std::uint32_t fTXContinueOnXoff = 0;
  std::uint32_t fOutX = 0;
  std::uint32_t fInX = 0;
  std::uint32_t fErrorChar = 0;
  std::uint32_t fNull = 0;
  std::uint32_t fRtsControl = 1;  // RTS on
  std::uint32_t fAbortOnError = 0;
  std::uint16_t wReserved = 0;
  std::uint16_t XonLim = 100;
  std::uint16_t XoffLim = 100;
  std::uint8_t ByteSize = 8;
  std::uint8_t Parity = 2;    // even
  std::uint8_t StopBits = 0;  // one stop bit
  char XonChar = 1;
  char XoffChar = 2;
  char ErrorChar = 4;
  char EofChar = 0;
  char EvtChar = 3;
  std::uint16_t wReserved1 = 0;
};

// Time-outs in milliseconds, named after the fields of COMMTIMEOUTS. A read or write of n bytes
// gives up after Multiplier * n + Constant.
struct CommTimeouts {
  std::uint32_t ReadIntervalTimeout = 0;
  std::uint32_t ReadTotalTimeoutMultiplier = 0;
  std::uint32_t ReadTotalTimeoutConstant = 0;
  std::uint32_t WriteTotalTimeoutMultiplier = 0;
  std::uint32_t WriteTotalTimeoutConstant = 0;
};

// The port's own settings as found at open, kept opaque so that nothing above this layer needs
// termios or the Windows DCB.
struct SavedSettings {
  alignas(8) unsigned char data[128] = {};
  bool valid = false;
};

class SerialPort {
 public:
  virtual ~SerialPort() = default;
  // name is the Windows form "\\.\COMn"; on Linux it is resolved to a device node here.
  virtual int Open(const std::string& name) = 0;
  virtual bool IsOpen() const = 0;
  virtual int GetState(SavedSettings& saved) = 0;        // the port's current settings
  virtual int SetState(const SavedSettings& saved) = 0;  // put saved settings back
  virtual int SetLine(const LineSettings& line) = 0;     // apply the link's line settings
  virtual int GetTimeouts(CommTimeouts& out) = 0;
  virtual int SetTimeouts(const CommTimeouts& t) = 0;
  virtual int Purge() = 0;  // discard everything pending both ways
  // Reads one byte; *got is false when the read time-out ran out without a byte (result 0).
  virtual int ReadByte(std::uint8_t& value, bool& got) = 0;
  // Writes one byte under the write time-out; a byte that could not move in time is success.
  virtual int WriteByte(std::uint8_t value) = 0;
  virtual int Close() = 0;
};

// The port of the system the program was built for: Win32Port on Windows, TermiosPort elsewhere.
std::unique_ptr<SerialPort> MakeSerialPort();

#if !defined(_WIN32)
// The termios side only.
std::unique_ptr<SerialPort> MakeTermiosPort();
#endif

// What the port the link names "\\.\COMn" is called where a person sees it: on Linux its node,
// "<ORB42_DEV_DIR or /dev>/ttyS.., ttyUSB.., ttyACM.."; on Windows "COMn" (COM1 to COM101). Empty
// when n names no port here.
std::string DevicePathForComName(const std::string& name);

// The reverse: "\\.\COMn" for what a person may write for a port: on Linux a node's name of the
// map ("ttyUSB0"), a path to such a node in <ORB42_DEV_DIR or /dev> or in /dev, or a link that
// leads to one (udev's /dev/serial/by-path/... and by-id/...); on Windows "\\.\COMn" itself.
// Empty for anything else.
std::string ComNameForDevicePath(const std::string& path);

}  // namespace platform
