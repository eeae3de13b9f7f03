#pragma once
// The device link: the serial port to the remote control and the byte protocol of its resident
// loader. No operation throws; each one stores its LinkError as the last error and returns it.
#include <cstdint>
#include <memory>
#include <string>

#include "link/LinkError.h"
#include "link/LinkTrace.h"
#include "platform/SerialPort.h"

class CP03 {
 public:
  CP03();
  // For tests: a link over another port implementation.
  explicit CP03(std::unique_ptr<platform::SerialPort> port);
  ~CP03();
  CP03(const CP03&) = delete;
  CP03& operator=(const CP03&) = delete;

  // Port access.
  void SetPortIndex(std::int32_t index);
  LinkError Open();
  LinkError Close();
  LinkError SetSpeed(std::int32_t bitsPerSecond);
  LinkError Purge();
  LinkError WriteByte(std::uint8_t value);
  LinkError ReadByte(std::uint32_t& value);
  void Wait(std::uint32_t milliseconds);
  LinkError LastError() const { return lastError; }
  static const char* DeviceName();  // UTF-8

  // Loader protocol.
  LinkError Connect(std::int32_t seconds);
  LinkError Disconnect();
  LinkError SetLoaderSpeed(std::int32_t bitsPerSecond);
  LinkError Unlock();
  LinkError ReadIdentity(char text[4]);
  LinkError CheckIdentity();
  LinkError ReadDeviceType(std::uint32_t& type);
  LinkError ReadEepromByte(std::uint32_t address, std::uint32_t& value);
  LinkError WriteEepromByte(std::uint32_t address, std::uint32_t value);
  LinkError ReadEepromWord(std::uint32_t address, std::uint32_t& value);
  LinkError ReadSerialNumber(std::uint32_t& number);
  LinkError ReadVersion(std::uint32_t& major, std::uint32_t& minor);
  LinkError WriteVersion(std::uint32_t major, std::uint32_t minor);
  LinkError EnterProgramming();
  LinkError LeaveProgramming();
  LinkError WriteProgramWord(std::uint32_t wordAddress, std::uint16_t word);
  LinkError SendHexPair(std::uint32_t value);
  LinkError ReceiveHexPair(std::uint32_t& value);
  static std::uint32_t DecodeHexPair(std::uint32_t high, std::uint32_t low);
  // Brings the conversation back in step after an answer that did not come or did not fit: a
  // purge, then the loader's identity, read past whatever stale bytes come before it. Once it
  // has come back whole, every answer read afterwards belongs to a command sent afterwards.
  // LinkTimeout or LinkBadAnswer when it does not come back whole: then nothing read later can
  // be trusted, and nothing more may be written.
  LinkError Resynchronise();

  // Read-only views for the wizard and for tests.
  const char* PortName() const { return portName; }
  bool IsOpen() const;
  std::int32_t Connected() const { return connected; }
  LoaderState State() const { return loaderState; }
  std::uint32_t BaudRate() const { return lineSettings.BaudRate; }
  // Repairs of the line so far: program words sent again, and ports given up (a refused call, a
  // line that broke) so that the next call opens them afresh. For a report; never reset.
  std::uint32_t Repairs() const { return repairs; }
  // A repair made above the link (a value written again after its read-back): counted and traced
  // with the link's own.
  void NoteRepair(const std::string& what);
  // A trace of everything the link does from now on (an empty hook: none).
  void SetTrace(LinkTraceHook hook) { trace = std::move(hook); }

 private:
  void GiveUpPort();
  LinkError Realign();
  void Trace(LinkTrace::Kind kind, std::string text = {}, std::uint8_t byte = 0,
             LinkError error = LinkOk) const;

  std::unique_ptr<platform::SerialPort> portHandle;  // closed port == invalid handle
  platform::LineSettings lineSettings;
  platform::SavedSettings savedLineSettings;
  platform::CommTimeouts timeouts;
  platform::CommTimeouts savedTimeouts;
  char portName[20] = {};
  std::int32_t connected = 0;
  LoaderState loaderState = LoaderIdle;
  LinkError lastError = LinkOk;
  std::int32_t retryLimit = 3;
  std::uint32_t repairs = 0;
  LinkTraceHook trace;
};
