#pragma once
// The loader's command and answer bytes, the masks of the program-word write and the speed
// divisors.
#include <cstdint>
#include <optional>

namespace sim {

constexpr std::uint8_t kRelease = 0x04;
constexpr std::uint8_t kCall = 0x80;
constexpr std::uint8_t kCallAnswer = 0x81;
constexpr std::uint8_t kUnlock = 0x83;
constexpr std::uint8_t kAck = 0x84;
constexpr std::uint8_t kRefusal = 0x85;
constexpr std::uint8_t kIdentity = 0x86;
constexpr std::uint8_t kDeviceType = 0x87;
constexpr std::uint8_t kReadEeprom = 0x89;
constexpr std::uint8_t kWriteEeprom = 0x8B;
constexpr std::uint8_t kWriteWord = 0x8D;
constexpr std::uint8_t kEnterProgramming = 0x90;
constexpr std::uint8_t kLeaveProgramming = 0x91;
constexpr std::uint8_t kSetSpeed = 0x9E;

constexpr std::uint8_t kHighMask = 0x6B;
constexpr std::uint8_t kLowMask = 0xD3;

constexpr std::uint32_t kStartSpeed = 9600;

inline bool IsCommand(std::uint8_t b) {
  switch (b) {
    case kRelease:
    case kCall:
    case kUnlock:
    case kIdentity:
    case kDeviceType:
    case kReadEeprom:
    case kWriteEeprom:
    case kWriteWord:
    case kEnterProgramming:
    case kLeaveProgramming:
    case kSetSpeed:
      return true;
    default:
      return false;
  }
}

// The line speed that a divisor of the set-speed command selects; nullopt for an unknown one.
inline std::optional<std::uint32_t> SpeedForDivisor(std::uint8_t divisor) {
  switch (divisor) {
    case 255:
      return 4800;
    case 129:
      return 9600;
    case 86:
      return 14400;
    case 64:
      return 19200;
    case 32:
      return 38400;
    case 21:
      return 56000;
    case 20:
      return 57600;
    case 10:
      return 115200;
    case 9:
      return 128000;
    case 4:
      return 256000;
    default:
      return std::nullopt;
  }
}

}  // namespace sim
