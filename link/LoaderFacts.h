#pragma once
// What the device's resident loader is, stated once for the link, the update piece, the wizard
// and orb42-flash: the speeds it can be switched to, the program words it takes, how a program
// word travels, where the device keeps its serial number and version, and the version this
// program installs. (The simulator keeps a table of its own: a model that shared these numbers
// could not catch a wrong one.)
#include <cstdint>
#include <iterator>

namespace loader {

// The loader this program speaks to calls itself "P03" (three characters, each a hex pair).
inline constexpr char kLoaderIdentity[] = "P03";

// The loader answers calls at 9600 bit/s and is brought back to it when it is released.
inline constexpr std::int32_t kCallSpeed = 9600;

// The speeds the loader can be switched to, with the divisor it is sent for each.
struct SpeedStep {
  std::int32_t bitsPerSecond;
  std::uint32_t divisor;
};
inline constexpr SpeedStep kSpeedSteps[] = {
    {4800, 0xFF},  {9600, 0x81},  {14400, 0x56},  {19200, 0x40},  {38400, 0x20},
    {56000, 0x15}, {57600, 0x14}, {115200, 0x0A}, {128000, 0x09}, {256000, 0x04}};
inline constexpr std::size_t kSpeedCount = std::size(kSpeedSteps);

constexpr bool IsLoaderSpeed(std::int32_t bitsPerSecond) {
  for (const SpeedStep& step : kSpeedSteps)
    if (step.bitsPerSecond == bitsPerSecond) return true;
  return false;
}

// The step for a speed; anything the loader cannot run at means 9600.
constexpr SpeedStep LoaderSpeed(std::int32_t bitsPerSecond) {
  for (const SpeedStep& step : kSpeedSteps)
    if (step.bitsPerSecond == bitsPerSecond) return step;
  return {9600, 0x81};
}

// The loader lives in program words 0 to 47 and refuses words from 7104 on.
inline constexpr std::uint32_t kFirstProgramWord = 48;
inline constexpr std::uint32_t kProgramWordLimit = 7104;

// A program word's address and value travel behind these masks, high byte and low byte.
inline constexpr std::uint32_t kHighMask = 0x6B;
inline constexpr std::uint32_t kLowMask = 0xD3;

// The data EEPROM: 256 cells; 120 to 123 hold the serial number (least significant first),
// 126 and 127 the firmware version, major and minor.
inline constexpr std::uint32_t kEepromSize = 256;
inline constexpr std::uint32_t kSerialNumberCell = 120;
inline constexpr std::uint32_t kVersionMajorCell = 126;
inline constexpr std::uint32_t kVersionMinorCell = 127;
inline constexpr std::uint32_t kFirstIdentityCell = kSerialNumberCell;
inline constexpr std::uint32_t kLastIdentityCell = kVersionMinorCell;

// The firmware version this program installs.
inline constexpr std::uint32_t kNewVersionMajor = 1;
inline constexpr std::uint32_t kNewVersionMinor = 5;

}  // namespace loader
