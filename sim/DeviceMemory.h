#pragma once
// One device's memories: program memory and data EEPROM, with what was written to each.
#include <cstdint>
#include <vector>

#include "sim/Types.h"

namespace sim {

constexpr std::size_t kProgramWords = 8192;
constexpr std::size_t kEepromCells = 256;
constexpr std::uint16_t kErasedWord = 0x3FFF;
constexpr std::uint8_t kErasedCell = 0xFF;
constexpr std::uint8_t kSerialCell = 120;  // 120..123, least significant byte first
constexpr std::uint8_t kMajorCell = 126;
constexpr std::uint8_t kMinorCell = 127;

// Erased memories with the device's serial number and version in their EEPROM cells.
FinishedDevice FreshDevice(const Device& device);

// Writes the serial number and version cells (not counted as written by the host).
void StampDevice(FinishedDevice& memory, const Device& device);

// false when the word address lies outside the program memory.
bool WriteProgramWord(FinishedDevice& memory, std::uint32_t address, std::uint16_t word);
void WriteEepromCell(FinishedDevice& memory, std::uint8_t address, std::uint8_t value);

bool HoldsVersion(const FinishedDevice& memory, std::uint8_t major, std::uint8_t minor);

}  // namespace sim
