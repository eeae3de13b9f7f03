// The serial port over the Windows serial calls: CreateFileA, GetCommState/SetCommState,
// GetCommTimeouts/SetCommTimeouts, PurgeComm, ReadFile/WriteFile of one byte, CloseHandle. Every
// failure is the GetLastError() code of the call that failed.
#include "platform/Win32Port.h"

#include <cstring>

namespace platform {

static_assert(sizeof(DCB) == 28, "the link's DCBlength of 28 is the size of the Windows DCB");
static_assert(sizeof(DCB) <= sizeof(SavedSettings::data),
              "the port's own DCB must fit the opaque record");

namespace {

int LastError() {
  return static_cast<int>(GetLastError());
}

}  // namespace

// Every field is set, flags and characters included, so nothing of the port's own settings
// leaks into the line. The bit fields take the low bits of the link's values.
DCB DcbFromLineSettings(const LineSettings& line) {
  DCB dcb{};
  dcb.DCBlength = line.DCBlength;
  dcb.BaudRate = line.BaudRate;
  dcb.fBinary = line.fBinary & 1u;
  dcb.fParity = line.fParity & 1u;
  dcb.fOutxCtsFlow = line.fOutxCtsFlow & 1u;
  dcb.fOutxDsrFlow = line.fOutxDsrFlow & 1u;
  dcb.fDtrControl = line.fDtrControl & 3u;
  dcb.fDsrSensitivity = line.fDsrSensitivity & 1u;
  dcb.fTXContinueOnXoff = line.fTXContinueOnXoff & 1u;
  dcb.fOutX = line.fOutX & 1u;
  dcb.fInX = line.fInX & 1u;
  dcb.fErrorChar = line.fErrorChar & 1u;
  dcb.fNull = line.fNull & 1u;
  dcb.fRtsControl = line.fRtsControl & 3u;
  dcb.fAbortOnError = line.fAbortOnError & 1u;
  dcb.fDummy2 = 0;
  dcb.wReserved = line.wReserved;
  dcb.XonLim = line.XonLim;
  dcb.XoffLim = line.XoffLim;
  dcb.ByteSize = line.ByteSize;
  dcb.Parity = line.Parity;
  dcb.StopBits = line.StopBits;
  dcb.XonChar = line.XonChar;
  dcb.XoffChar = line.XoffChar;
  dcb.ErrorChar = line.ErrorChar;
  dcb.EofChar = line.EofChar;
  dcb.EvtChar = line.EvtChar;
  dcb.wReserved1 = line.wReserved1;
  return dcb;
}

Win32Port::~Win32Port() {
  Close();
}

// Exclusive (no sharing), plain synchronous input and output.
int Win32Port::Open(const std::string& name) {
  if (IsOpen()) Close();
  handle_ = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                        nullptr);
  return IsOpen() ? 0 : LastError();
}

int Win32Port::GetState(SavedSettings& saved) {
  if (!IsOpen()) return ERROR_INVALID_HANDLE;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(handle_, &dcb)) return LastError();
  std::memcpy(saved.data, &dcb, sizeof dcb);
  saved.valid = true;
  return 0;
}

int Win32Port::SetState(const SavedSettings& saved) {
  if (!IsOpen()) return ERROR_INVALID_HANDLE;
  if (!saved.valid) return ERROR_INVALID_PARAMETER;
  DCB dcb{};
  std::memcpy(&dcb, saved.data, sizeof dcb);
  return SetCommState(handle_, &dcb) ? 0 : LastError();
}

int Win32Port::SetLine(const LineSettings& line) {
  if (!IsOpen()) return ERROR_INVALID_HANDLE;
  DCB dcb = DcbFromLineSettings(line);
  return SetCommState(handle_, &dcb) ? 0 : LastError();
}

int Win32Port::GetTimeouts(CommTimeouts& out) {
  if (!IsOpen()) return ERROR_INVALID_HANDLE;
  COMMTIMEOUTS t{};
  if (!GetCommTimeouts(handle_, &t)) return LastError();
  out.ReadIntervalTimeout = t.ReadIntervalTimeout;
  out.ReadTotalTimeoutMultiplier = t.ReadTotalTimeoutMultiplier;
  out.ReadTotalTimeoutConstant = t.ReadTotalTimeoutConstant;
  out.WriteTotalTimeoutMultiplier = t.WriteTotalTimeoutMultiplier;
  out.WriteTotalTimeoutConstant = t.WriteTotalTimeoutConstant;
  return 0;
}

int Win32Port::SetTimeouts(const CommTimeouts& in) {
  if (!IsOpen()) return ERROR_INVALID_HANDLE;
  COMMTIMEOUTS t{};
  t.ReadIntervalTimeout = in.ReadIntervalTimeout;
  t.ReadTotalTimeoutMultiplier = in.ReadTotalTimeoutMultiplier;
  t.ReadTotalTimeoutConstant = in.ReadTotalTimeoutConstant;
  t.WriteTotalTimeoutMultiplier = in.WriteTotalTimeoutMultiplier;
  t.WriteTotalTimeoutConstant = in.WriteTotalTimeoutConstant;
  return SetCommTimeouts(handle_, &t) ? 0 : LastError();
}

// Both directions, transfers under way and buffers alike (together 15).
int Win32Port::Purge() {
  if (!IsOpen()) return ERROR_INVALID_HANDLE;
  constexpr DWORD kAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
  static_assert(kAll == 15);
  return PurgeComm(handle_, kAll) ? 0 : LastError();
}

// A call that succeeds without a byte is the read time-out running out.
int Win32Port::ReadByte(std::uint8_t& value, bool& got) {
  got = false;
  if (!IsOpen()) return ERROR_INVALID_HANDLE;
  unsigned char byte = 0;
  DWORD count = 0;
  if (!ReadFile(handle_, &byte, 1, &count, nullptr)) return LastError();
  if (count == 0) return 0;
  value = byte;
  got = true;
  return 0;
}

// A call that succeeds is success whatever count it reports: a byte that could not move in time
// shows as the answer that never comes.
int Win32Port::WriteByte(std::uint8_t value) {
  if (!IsOpen()) return ERROR_INVALID_HANDLE;
  DWORD count = 0;
  return WriteFile(handle_, &value, 1, &count, nullptr) ? 0 : LastError();
}

// The handle is gone after CloseHandle whatever it reports, so the port counts as closed even
// when the call failed; its code is still returned.
int Win32Port::Close() {
  if (!IsOpen()) return 0;
  const HANDLE handle = handle_;
  handle_ = INVALID_HANDLE_VALUE;
  return CloseHandle(handle) ? 0 : LastError();
}

std::unique_ptr<SerialPort> MakeSerialPort() {
  return std::make_unique<Win32Port>();
}

}  // namespace platform
