#include "sim/DeviceMemory.h"

namespace sim {

FinishedDevice FreshDevice(const Device& device) {
  FinishedDevice memory;
  memory.program.assign(kProgramWords, kErasedWord);
  memory.eeprom.assign(kEepromCells, kErasedCell);
  memory.programWritten.assign(kProgramWords, false);
  memory.eepromWritten.assign(kEepromCells, false);
  StampDevice(memory, device);
  return memory;
}

void StampDevice(FinishedDevice& memory, const Device& device) {
  for (unsigned i = 0; i < 4; ++i) {
    memory.eeprom[kSerialCell + i] = static_cast<std::uint8_t>(device.serialNumber >> (8 * i));
  }
  memory.eeprom[kMajorCell] = device.versionMajor;
  memory.eeprom[kMinorCell] = device.versionMinor;
}

bool WriteProgramWord(FinishedDevice& memory, std::uint32_t address, std::uint16_t word) {
  if (address >= kProgramWords) return false;
  memory.program[address] = word;
  memory.programWritten[address] = true;
  return true;
}

void WriteEepromCell(FinishedDevice& memory, std::uint8_t address, std::uint8_t value) {
  memory.eeprom[address] = value;
  memory.eepromWritten[address] = true;
}

bool HoldsVersion(const FinishedDevice& memory, std::uint8_t major, std::uint8_t minor) {
  return memory.eeprom[kMajorCell] == major && memory.eeprom[kMinorCell] == minor;
}

}  // namespace sim
