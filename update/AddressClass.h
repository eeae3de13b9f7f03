#pragma once
// Where a record's data goes in the device, decided by the word address of its first word.
// PIC16 HEX files give byte addresses, twice the word address; the loader itself lives in
// words 0 to 47, the configuration words sit at 0x2000-0x20FF, and the data EEPROM starts
// at word 0x2100 (byte address 0x4200), one EEPROM byte per word.
#include <cstdint>

#include "link/LoaderFacts.h"

enum class AddressClass { Skipped, ProgramMemory, Eeprom };

using loader::kEepromSize;
using loader::kFirstIdentityCell;
using loader::kFirstProgramWord;
using loader::kLastIdentityCell;
using loader::kProgramWordLimit;
// Where a HEX file puts the configuration words and the EEPROM (word addresses).
inline constexpr std::uint32_t kFirstConfigWord = 8192;
inline constexpr std::uint32_t kFirstEepromWord = 8448;

AddressClass ClassOfWordAddress(std::uint32_t wordAddress);

// The EEPROM cell that a word of the EEPROM class goes to.
inline std::uint32_t EepromCellOf(std::uint32_t wordAddress) {
  return wordAddress - kFirstEepromWord;
}
