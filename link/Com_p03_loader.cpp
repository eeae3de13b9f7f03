// The resident loader's byte protocol: single-byte commands, arguments and answers as pairs of
// ASCII hex digits, each received digit acknowledged with 0x84.
#include <cstdio>
#include <cstring>
#include <string>

#include "link/Com_p03.h"
#include "link/LoaderFacts.h"
#include "platform/Clock.h"

namespace {

constexpr std::uint8_t kCall = 0x80;
constexpr std::uint8_t kCallAnswer = 0x81;
constexpr std::uint8_t kUnlock = 0x83;
constexpr std::uint8_t kAck = 0x84;
constexpr std::uint8_t kRefusal = 0x85;
constexpr std::uint8_t kIdentity = 0x86;
constexpr std::uint8_t kDeviceType = 0x87;
constexpr std::uint8_t kReadEeprom = 0x89;
constexpr std::uint8_t kWriteEeprom = 0x8B;
constexpr std::uint8_t kWriteProgramWord = 0x8D;
constexpr std::uint8_t kEnterProgramming = 0x90;
constexpr std::uint8_t kLeaveProgramming = 0x91;
constexpr std::uint8_t kSetSpeed = 0x9E;
constexpr std::uint8_t kRelease = 0x04;

using namespace loader;

std::uint8_t HexDigit(std::uint32_t digit) {
  return static_cast<std::uint8_t>(digit < 10 ? 0x30 + digit : 0x37 + digit);
}

// The loader sends its digits as 0-9 and upper-case A-F, nothing else.
bool IsHexDigit(std::uint32_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// How many stray bytes a resynchronisation reads past before the identity must begin: late
// answers of the commands before it, a byte or two each.
constexpr int kStaleBytesLimit = 32;

}  // namespace

// Calls the loader until it answers 0x81, the time limit runs out (seconds > 0) or an error ends
// the calling. A refusal (0x85) or a broken line makes the host give the port up entirely.
LinkError CP03::Connect(std::int32_t seconds) {
  if (!IsOpen() && Open() != LinkOk) return lastError;
  const bool limited = seconds != 0;
  // Taken before the purge, so the purge's pause counts against the limit.
  const std::int64_t end =
      static_cast<std::int64_t>(platform::TickCount()) + static_cast<std::int64_t>(seconds) * 1000;
  const std::uint64_t deadline = end < 0 ? 0 : static_cast<std::uint64_t>(end);
  Trace(LinkTrace::Kind::Command, "calling, up to " + std::to_string(seconds) + " s");
  Purge();
  lastError = LinkOk;
  std::uint32_t answer = 0x100;  // none yet
  bool timeUp = false;
  for (;;) {
    Trace(LinkTrace::Kind::Command, "call");
    if (const LinkError sent = WriteByte(kCall); sent != LinkOk) {
      // The cable was pulled between two calls: the descriptor is dead for good. Giving the
      // port up lets the next call open the replugged bridge afresh; the send's own code ends
      // the calling.
      GiveUpPort();
      lastError = sent;
    } else {
      const LinkError received = ReadByte(answer);
      if (received == LinkTimeout) {
        lastError = LinkOk;
      } else if (received != LinkOk || answer == kRefusal) {
        GiveUpPort();
      }
      timeUp = limited && platform::TickCount() >= deadline;
    }
    if (timeUp || lastError != LinkOk || answer == kCallAnswer) break;
  }
  if (answer == kCallAnswer) {
    connected = 1;
    return lastError = LinkOk;
  }
  connected = 0;
  if (timeUp) lastError = LinkTimeout;
  return lastError;
}

void CP03::NoteRepair(const std::string& what) {
  ++repairs;
  Trace(LinkTrace::Kind::Repaired, what);
}

// Purge, release and close, each whatever the one before gave; the last error is Close's.
void CP03::GiveUpPort() {
  ++repairs;
  Trace(LinkTrace::Kind::Repaired, "port given up, to be opened afresh at the next call");
  Purge();
  Disconnect();
  Close();
}

// Brings the loader back to 9600 bit/s and releases it. The answer to the release byte may be any
// byte; only its absence keeps the flags.
LinkError CP03::Disconnect() {
  if (!IsOpen()) return lastError = LinkPortNotOpen;
  SetLoaderSpeed(kCallSpeed);
  platform::SleepMs(500);
  std::uint32_t answer = 0;
  Trace(LinkTrace::Kind::Command, "release");
  if (WriteByte(kRelease) != LinkOk || ReadByte(answer) != LinkOk) return lastError;
  connected = 0;
  loaderState = LoaderIdle;
  return lastError = LinkOk;
}

// After its acknowledgement the loader sends one more byte at the old speed; only then does the
// host follow it to the new speed.
LinkError CP03::SetLoaderSpeed(std::int32_t bitsPerSecond) {
  if (!connected) return lastError = LinkNotConnected;
  lastError = LinkOk;
  const SpeedStep step = LoaderSpeed(bitsPerSecond);
  Trace(LinkTrace::Kind::Command, "speed " + std::to_string(step.bitsPerSecond) + " bit/s");
  std::uint32_t answer = 0;
  if (WriteByte(kSetSpeed) != LinkOk || SendHexPair(step.divisor) != LinkOk ||
      ReadByte(answer) != LinkOk)
    return lastError;
  if (answer != kAck) return lastError = LinkBadAnswer;
  std::uint32_t trailing = 0;
  ReadByte(trailing);
  lineSettings.BaudRate = static_cast<std::uint32_t>(step.bitsPerSecond);
  if (IsOpen()) portHandle->SetLine(lineSettings);
  return lastError = LinkOk;
}

LinkError CP03::Unlock() {
  if (!connected) return lastError = LinkNotConnected;
  std::uint32_t answer = 0;
  Trace(LinkTrace::Kind::Command, "unlock");
  if (WriteByte(kUnlock) != LinkOk || ReadByte(answer) != LinkOk) return lastError;
  if (answer != kAck) return lastError = LinkBadAnswer;
  loaderState = LoaderUnlocked;
  return lastError = LinkOk;
}

// Three characters, each as a hex pair. Once the command went out the text is terminated, even
// when fewer characters arrived.
LinkError CP03::ReadIdentity(char text[4]) {
  if (!connected) return lastError = LinkNotConnected;
  Trace(LinkTrace::Kind::Command, "identity");
  if (WriteByte(kIdentity) != LinkOk) return lastError;
  for (int i = 0; i < 3 && lastError == LinkOk; ++i) {
    std::uint32_t value = 0;
    if (ReceiveHexPair(value) == LinkOk) text[i] = static_cast<char>(value & 0xFF);
  }
  text[3] = '\0';
  return lastError;
}

LinkError CP03::CheckIdentity() {
  if (!connected) return lastError = LinkNotConnected;
  char identity[4] = {};
  if (ReadIdentity(identity) != LinkOk) return lastError;
  return lastError = std::strcmp(identity, kLoaderIdentity) == 0 ? LinkOk : LinkWrongIdentity;
}

LinkError CP03::ReadDeviceType(std::uint32_t& type) {
  if (!connected) return lastError = LinkNotConnected;
  Trace(LinkTrace::Kind::Command, "device type");
  if (WriteByte(kDeviceType) != LinkOk) return lastError;
  return ReceiveHexPair(type);
}

LinkError CP03::ReadEepromByte(std::uint32_t address, std::uint32_t& value) {
  if (!connected) return lastError = LinkNotConnected;
  Trace(LinkTrace::Kind::Command, "read EEPROM cell " + std::to_string(address));
  if (WriteByte(kReadEeprom) != LinkOk || SendHexPair(address) != LinkOk) return lastError;
  return ReceiveHexPair(value);
}

// The 10 ms spin gives the device time to program the cell before it answers.
LinkError CP03::WriteEepromByte(std::uint32_t address, std::uint32_t value) {
  if (!connected) return lastError = LinkNotConnected;
  Trace(LinkTrace::Kind::Command,
        "write EEPROM cell " + std::to_string(address) + " = " + std::to_string(value));
  if (WriteByte(kWriteEeprom) != LinkOk || SendHexPair(address) != LinkOk ||
      SendHexPair(value) != LinkOk)
    return lastError;
  Wait(10);
  std::uint32_t answer = 0;
  if (ReadByte(answer) != LinkOk) return lastError;
  return lastError = answer == kAck ? LinkOk : LinkBadAnswer;
}

// Little-endian; value already holds the low byte when the high one fails.
LinkError CP03::ReadEepromWord(std::uint32_t address, std::uint32_t& value) {
  if (!connected) return lastError = LinkNotConnected;
  std::uint32_t low = 0;
  if (ReadEepromByte(address, low) != LinkOk) return lastError;
  value = low;
  std::uint32_t high = 0;
  if (ReadEepromByte(address + 1, high) != LinkOk) return lastError;
  value = low + 256 * high;
  return lastError;
}

// Cells 120 to 123, least significant first; number keeps the low half when the high half fails.
LinkError CP03::ReadSerialNumber(std::uint32_t& number) {
  if (!connected) return lastError = LinkNotConnected;
  std::uint32_t low = 0;
  if (ReadEepromWord(kSerialNumberCell, low) != LinkOk) return lastError;
  number = low;
  std::uint32_t high = 0;
  if (ReadEepromWord(kSerialNumberCell + 2, high) != LinkOk) return lastError;
  number = low + 65536 * high;
  return lastError;
}

LinkError CP03::ReadVersion(std::uint32_t& major, std::uint32_t& minor) {
  if (!connected) return lastError = LinkNotConnected;
  if (ReadEepromByte(kVersionMajorCell, major) != LinkOk) return lastError;
  return ReadEepromByte(kVersionMinorCell, minor);
}

// The minor number goes first: a write cut short after it leaves a version that is still older
// than the new one (0.9 -> 0.5 rather than 1.9), so the device is still offered the update.
LinkError CP03::WriteVersion(std::uint32_t major, std::uint32_t minor) {
  if (!connected) return lastError = LinkNotConnected;
  if (WriteEepromByte(kVersionMinorCell, minor) != LinkOk) return lastError;
  return WriteEepromByte(kVersionMajorCell, major);
}

LinkError CP03::EnterProgramming() {
  if (!connected) return lastError = LinkNotConnected;
  if (loaderState != LoaderUnlocked) return lastError = LinkNotUnlocked;
  std::uint32_t answer = 0;
  Trace(LinkTrace::Kind::Command, "programming mode");
  if (WriteByte(kEnterProgramming) != LinkOk || ReadByte(answer) != LinkOk) return lastError;
  if (answer != kAck) return lastError = LinkBadAnswer;
  loaderState = LoaderProgramming;
  return lastError = LinkOk;
}

// The loader does not answer; the state stays until Disconnect or Close resets it.
LinkError CP03::LeaveProgramming() {
  if (!connected) return lastError = LinkNotConnected;
  if (loaderState != LoaderProgramming) return lastError = LinkNotProgramming;
  Trace(LinkTrace::Kind::Command, "leave programming mode");
  return WriteByte(kLeaveProgramming);
}

// Repeated from the command byte on until it succeeds, at most retryLimit more times. A wrong
// answer purges: the loader may still be sending whatever it made of the garbled command.
// Before any repeat the conversation is brought back in step (Realign): an answer that comes
// late, after the purge, would otherwise be read as the answer to the repeat, every answer after
// it one command late, and a word that the loader never took would pass for written on the
// acknowledgement of the word before it. When the loader cannot be brought back in step the
// word fails at once, without a repeat, and the update ends with nothing more written.
LinkError CP03::WriteProgramWord(std::uint32_t wordAddress, std::uint16_t word) {
  if (!connected) return lastError = LinkNotConnected;
  if (loaderState != LoaderProgramming) return lastError = LinkNotProgramming;
  if (wordAddress < kFirstProgramWord || wordAddress >= kProgramWordLimit)
    return lastError = LinkAddressOutOfRange;
  const std::uint32_t pairs[] = {(wordAddress / 256) ^ kHighMask, (wordAddress % 256) ^ kLowMask,
                                 (word / 256u) ^ kHighMask, (word % 256u) ^ kLowMask};
  char what[48];
  std::snprintf(what, sizeof what, "write word %u = 0x%04X", static_cast<unsigned>(wordAddress),
                static_cast<unsigned>(word));
  for (std::int32_t attempt = 0;; ++attempt) {
    Trace(LinkTrace::Kind::Command, what);
    LinkError result = WriteByte(kWriteProgramWord);
    for (std::uint32_t pair : pairs)
      if (result == LinkOk) result = SendHexPair(pair);
    std::uint32_t answer = 0;
    if (result == LinkOk) result = ReadByte(answer);
    const bool wrongAnswer = result == LinkOk && answer != kAck;
    if (wrongAnswer) {
      Purge();
      result = LinkBadAnswer;
    }
    lastError = result;
    if (result == LinkOk || attempt >= retryLimit) return lastError;
    // Only a wrong answer has purged already; a time-out or a failed send purges here.
    const LinkError inStep = wrongAnswer ? Realign() : Resynchronise();
    if (inStep != LinkOk) return lastError = inStep;
    ++repairs;
    Trace(LinkTrace::Kind::Repaired, std::string(what) + " again");
  }
}

// The purge lets whatever the loader still had to say arrive and discards it; what comes even
// later is read past by Realign.
LinkError CP03::Resynchronise() {
  if (!connected) return lastError = LinkNotConnected;
  if (Purge() != LinkOk) return lastError;
  return Realign();
}

// The loader answers commands one at a time and in order: when its identity has come back
// whole, digit by digit, every byte it sent for an earlier command has arrived before it and
// has been read past. A stray byte that looks like the identity's first digit only makes the
// digits after it come one place late, which fails the comparison: never a false match.
LinkError CP03::Realign() {
  Trace(LinkTrace::Kind::Command, "identity, to bring the conversation back in step");
  if (WriteByte(kIdentity) != LinkOk) return lastError;
  char expected[7] = {};
  for (int i = 0; i < 3; ++i) {
    const auto c = static_cast<std::uint8_t>(kLoaderIdentity[i]);
    expected[2 * i] = static_cast<char>(HexDigit(c / 16));
    expected[2 * i + 1] = static_cast<char>(HexDigit(c % 16));
  }
  std::uint32_t b = 0;
  for (int stale = 0;; ++stale) {
    if (ReadByte(b) != LinkOk) return lastError;
    if (b == static_cast<std::uint8_t>(expected[0])) break;
    if (stale >= kStaleBytesLimit) return lastError = LinkBadAnswer;
  }
  for (int i = 1;; ++i) {
    if (WriteByte(kAck) != LinkOk) return lastError;
    if (i == 6) break;
    if (ReadByte(b) != LinkOk) return lastError;
    if (b != static_cast<std::uint8_t>(expected[i])) return lastError = LinkBadAnswer;
  }
  Trace(LinkTrace::Kind::Repaired, "conversation back in step");
  return lastError = LinkOk;
}

LinkError CP03::SendHexPair(std::uint32_t value) {
  if (WriteByte(HexDigit(value / 16)) != LinkOk) return lastError;
  return WriteByte(HexDigit(value % 16));
}

// value changes only when both digits arrived and both acknowledgements went out. A byte that is
// not a digit is a wrong answer, never a number: decoded, a garbled digit would hand the checks a
// value the device never sent (a serial number out of range read as one in range). It is not
// acknowledged, so the loader does not go on as if it had been understood.
LinkError CP03::ReceiveHexPair(std::uint32_t& value) {
  if (!connected) return lastError = LinkNotConnected;
  std::uint32_t high = 0;
  std::uint32_t low = 0;
  if (ReadByte(high) != LinkOk) return lastError;
  if (!IsHexDigit(high)) return lastError = LinkBadAnswer;
  if (WriteByte(kAck) != LinkOk || ReadByte(low) != LinkOk) return lastError;
  if (!IsHexDigit(low)) return lastError = LinkBadAnswer;
  if (WriteByte(kAck) != LinkOk) return lastError;
  value = DecodeHexPair(high, low);
  return lastError = LinkOk;
}
