#pragma once
// Where a record's data goes in the device, decided by the word address of its first word.
// PIC16 HEX files give byte addresses, twice the word address; the loader itself lives in
// words 0 to 47, the configuration words sit at 0x2000-0x20FF, and the data EEPROM starts
// at word 0x2100 (byte address 0x4200), one EEPROM byte per word.
#include <cstdint>

enum class AddressClass { Skipped, ProgramMemory, Eeprom };

inline constexpr std::uint32_t kFirstProgramWord = 48;
inline constexpr std::uint32_t kFirstConfigWord = 8192;
inline constexpr std::uint32_t kFirstEepromWord = 8448;
// The loader refuses program words from this one on.
inline constexpr std::uint32_t kProgramWordLimit = 7104;
inline constexpr std::uint32_t kEepromSize = 256;
// EEPROM cells 120 to 127 hold the device's serial number and firmware version.
inline constexpr std::uint32_t kFirstIdentityCell = 120;
inline constexpr std::uint32_t kLastIdentityCell = 127;

AddressClass ClassOfWordAddress(std::uint32_t wordAddress);

// The EEPROM cell that a word of the EEPROM class goes to.
inline std::uint32_t EepromCellOf(std::uint32_t wordAddress) {
  return wordAddress - kFirstEepromWord;
}
