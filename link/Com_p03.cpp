// The device link's port access: the port's name, opening, line settings, purging, single bytes
// and the busy wait. The loader's commands are in Com_p03_loader.cpp.
#include "link/Com_p03.h"

#include <cstdio>
#include <cstring>

#include "link/HexPair.h"
#include "platform/Clock.h"

namespace {

// One byte per read and write: each gives up after 100 * 1 + 1000 = 1100 ms.
platform::CommTimeouts LinkTimeouts() {
  platform::CommTimeouts t;
  t.ReadIntervalTimeout = 500;
  t.ReadTotalTimeoutMultiplier = 100;
  t.ReadTotalTimeoutConstant = 1000;
  t.WriteTotalTimeoutMultiplier = 100;
  t.WriteTotalTimeoutConstant = 1000;
  return t;
}

bool IsHostSpeed(std::int32_t bitsPerSecond) {
  static constexpr std::int32_t kSpeeds[] = {110,   300,   600,    1200,   2400,
                                             4800,  9600,  14400,  19200,  38400,
                                             56000, 57600, 115200, 128000, 256000};
  for (std::int32_t speed : kSpeeds)
    if (speed == bitsPerSecond) return true;
  return false;
}

}  // namespace

CP03::CP03() : CP03(platform::MakeSerialPort()) {}

CP03::CP03(std::unique_ptr<platform::SerialPort> port)
    : portHandle(port ? std::move(port) : platform::MakeSerialPort()), timeouts(LinkTimeouts()) {
  SetPortIndex(1);
}

// Releases the loader and puts the port's own settings back when the wizard goes away.
CP03::~CP03() {
  Disconnect();
  Close();
}

bool CP03::IsOpen() const {
  return portHandle->IsOpen();
}

const char* CP03::DeviceName() {
  return "Télécommande ORB42TLX";
}

// Indexes above 100 fall back to COM2; the lower end is not checked (-1 names COM0, which no
// port answers to). Naming another port while one is open closes the open one first, so that a
// later Connect cannot go on calling the old port under the new name.
void CP03::SetPortIndex(std::int32_t index) {
  if (index > 100) index = 1;
  char name[sizeof portName];
  std::snprintf(name, sizeof name, "\\\\.\\COM%i", static_cast<int>(index + 1));
  if (std::strcmp(name, portName) == 0) return;
  if (IsOpen()) Close();
  std::memcpy(portName, name, sizeof portName);
}

// A port whose configuration fails half-way is closed again at once, with its own settings put
// back as far as they were read. Left open, it would carry the system's own time-outs, and on
// Windows those are all zero: every later read would wait for ever (a virtual COM port that
// refuses SetCommState, a Bluetooth port picked by mistake). Closed, the next call opens it
// afresh and fails the same way, and the caller counts it like any other failed attempt.
LinkError CP03::Open() {
  if (Close() != LinkOk) return lastError;
  if (LinkError error = portHandle->Open(portName)) return lastError = error;
  savedLineSettings = {};
  savedTimeouts = {};
  bool timeoutsSaved = false;
  LinkError error = portHandle->GetState(savedLineSettings);
  if (error == LinkOk) {
    SetSpeed(9600);
    error = portHandle->SetLine(lineSettings);
  }
  if (error == LinkOk) {
    error = portHandle->GetTimeouts(savedTimeouts);
    timeoutsSaved = error == LinkOk;
  }
  if (error == LinkOk) error = portHandle->SetTimeouts(timeouts);
  if (error != LinkOk) {
    if (savedLineSettings.valid) portHandle->SetState(savedLineSettings);
    if (timeoutsSaved) portHandle->SetTimeouts(savedTimeouts);
    portHandle->Close();
    connected = 0;
    loaderState = LoaderIdle;
  }
  return lastError = error;
}

// Always ends closed, with the loader state cleared, whatever failed on the way; the code is that
// of the first failure.
LinkError CP03::Close() {
  if (!IsOpen()) {
    lastError = LinkOk;
  } else {
    Disconnect();
    LinkError error = portHandle->SetState(savedLineSettings);
    if (error == LinkOk) error = portHandle->SetTimeouts(savedTimeouts);
    if (error == LinkOk) error = portHandle->Close();
    lastError = error;
  }
  connected = 0;
  loaderState = LoaderIdle;
  if (IsOpen()) portHandle->Close();
  return lastError;
}

// The host's end only; the loader is switched by SetLoaderSpeed.
LinkError CP03::SetSpeed(std::int32_t bitsPerSecond) {
  lastError = LinkOk;
  lineSettings.BaudRate =
      static_cast<std::uint32_t>(IsHostSpeed(bitsPerSecond) ? bitsPerSecond : 9600);
  if (IsOpen()) lastError = portHandle->SetLine(lineSettings);
  return lastError;
}

// The pause first, so that whatever the loader still had to say has arrived and is discarded.
LinkError CP03::Purge() {
  if (!IsOpen()) return lastError = LinkPortNotOpen;
  Wait(1000);
  lastError = portHandle->Purge();
  Trace(lastError == LinkOk ? LinkTrace::Kind::Purged : LinkTrace::Kind::Failed, {}, 0, lastError);
  return lastError;
}

LinkError CP03::WriteByte(std::uint8_t value) {
  if (!IsOpen()) return lastError = LinkPortNotOpen;
  lastError = portHandle->WriteByte(value);
  Trace(lastError == LinkOk ? LinkTrace::Kind::Sent : LinkTrace::Kind::Failed, {}, value,
        lastError);
  return lastError;
}

// value is touched only when a byte arrived.
LinkError CP03::ReadByte(std::uint32_t& value) {
  if (!IsOpen()) return lastError = LinkPortNotOpen;
  std::uint8_t byte = 0;
  bool got = false;
  if (LinkError error = portHandle->ReadByte(byte, got)) {
    Trace(LinkTrace::Kind::Failed, {}, 0, error);
    return lastError = error;
  }
  if (!got) {
    Trace(LinkTrace::Kind::TimedOut);
    return lastError = LinkTimeout;
  }
  Trace(LinkTrace::Kind::Received, {}, byte);
  value = byte;
  return lastError = LinkOk;
}

void CP03::Trace(LinkTrace::Kind kind, std::string text, std::uint8_t byte, LinkError error) const {
  if (trace) trace(LinkTrace{kind, std::move(text), byte, error});
}

// Waits its full length on a 64-bit millisecond clock, so the end time never wraps around. The
// thread sleeps through all but the last few milliseconds and spins only those, so the wait
// ends on time without holding a processor for a whole second at every purge: the bench
// updater calls on several ports at once, for as long as a technician takes to switch a device on.
void CP03::Wait(std::uint32_t milliseconds) {
  constexpr std::uint64_t kSpinMs = 2;
  const std::uint64_t end = platform::TickCount() + milliseconds;
  for (std::uint64_t now = platform::TickCount(); now + kSpinMs < end; now = platform::TickCount())
    platform::SleepMs(static_cast<std::uint32_t>(end - now - kSpinMs));
  while (platform::TickCount() < end) {
  }
}

std::uint32_t CP03::DecodeHexPair(std::uint32_t high, std::uint32_t low) {
  return loader::DecodeHexPair(high, low);
}
